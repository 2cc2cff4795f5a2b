#pragma once

#include "platform/QrCode.h"

#include <QDialog>

#include <optional>

class QPushButton;

// Window showing a URL as a QR code, large enough for a phone's camera to read from the screen
// (modules of at least 6 pixels, the code at least 300), with the URL under it, "Copy" (the
// code as a PNG on the clipboard) and "Close". A URL too long for a QR code shows why instead.
class QrCodeDialog : public QDialog {
    Q_OBJECT
public:
    explicit QrCodeDialog(const QString& url, QWidget* parent = nullptr);

    // Shows a dialog for `url` over `parent`, deleted when closed.
    static QrCodeDialog* showFor(const QString& url, QWidget* parent);

    // Puts the code on the clipboard as an image and as PNG data.
    void copy();

private:
    // Device pixels per module: at least 6 logical pixels and a code of 300, within the screen.
    [[nodiscard]] int devicePixelsPerModule() const;

    std::optional<QrCode> m_code;
    QPushButton* m_copy = nullptr;
};
