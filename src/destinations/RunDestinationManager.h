#pragma once

#include <QObject>
#include <QUrl>

#include <QCoro/QCoroTask>

// The one source of truth for where deeplinks are fired. (Placeholder until destinations land.)
class RunDestinationManager : public QObject {
    Q_OBJECT
public:
    explicit RunDestinationManager(QObject* parent = nullptr);

    [[nodiscard]] QUrl xcodeURL() const { return m_xcodeURL; }
    void configure(const QUrl& xcodeURL);
    QCoro::Task<> fetchDevices(QUrl xcodeURL);

private:
    QUrl m_xcodeURL;
};
