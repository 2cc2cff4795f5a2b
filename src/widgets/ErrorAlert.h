#pragma once

#include "platform/ErrorMessage.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <optional>

// The one error alert of a window, as a QObject that owns its message box: "Error" as the bold
// heading, the message under it and one "Okay" button. Closing the box, however it closes,
// clears the error, so the next failure (the same text too) gets a box of its own.
class ErrorAlert : public QObject {
    Q_OBJECT
public:
    explicit ErrorAlert(QWidget* window, QObject* parent = nullptr);

    [[nodiscard]] const std::optional<ErrorMessage>& error() const { return m_error; }

    // Shows `error` (replacing the text of a box already up); nullopt closes the box.
    void setError(std::optional<ErrorMessage> error);

private:
    void dismissed(QMessageBox* box);

    QPointer<QWidget> m_window;
    std::optional<ErrorMessage> m_error;
    QPointer<QMessageBox> m_box;
};
