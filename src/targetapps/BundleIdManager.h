#pragma once

#include <QObject>
#include <QUrl>

// The apps of the selected physical device and the chosen target app.
// (Placeholder until target apps land.)
class BundleIdManager : public QObject {
    Q_OBJECT
public:
    explicit BundleIdManager(QObject* parent = nullptr);

    [[nodiscard]] QUrl xcodeURL() const { return m_xcodeURL; }
    void setXcodeURL(const QUrl& url) { m_xcodeURL = url; }

private:
    QUrl m_xcodeURL;
};
