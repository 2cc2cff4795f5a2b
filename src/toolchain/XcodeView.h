#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

// The Xcode selection screen. (Placeholder until the verifying screen lands.)
class XcodeView : public QWidget {
    Q_OBJECT
public:
    using Completion = std::function<void(const QUrl&)>;
    explicit XcodeView(Completion completion, QWidget* parent = nullptr);

private:
    Completion m_completion;
};
