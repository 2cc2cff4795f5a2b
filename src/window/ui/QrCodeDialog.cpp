#include "window/ui/QrCodeDialog.h"

#include "widgets/TextStyle.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int minimumModuleSize = 6;
constexpr int minimumCodeSize = 300;

} // namespace

QrCodeDialog::QrCodeDialog(const QString& url, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("QR Code"));
    setAccessibleName(tr("QR Code"));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Result<QrCode> code = QrCode::encode(url);
    int width = minimumCodeSize;
    if (code) {
        m_code = std::move(*code);
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap =
            QPixmap::fromImage(QImage::fromData(m_code->png(devicePixelsPerModule()), "PNG"));
        // Drawn one image pixel to one screen pixel: the modules stay sharp.
        pixmap.setDevicePixelRatio(ratio);
        auto* image = new QLabel(this);
        image->setObjectName(QStringLiteral("code"));
        image->setPixmap(pixmap);
        image->setAlignment(Qt::AlignCenter);
        image->setAccessibleName(tr("QR code"));
        image->setAccessibleDescription(tr("A QR code of %1").arg(url));
        layout->addWidget(image, 0, Qt::AlignHCenter);
        width = std::max(width, int(std::ceil(pixmap.width() / ratio)));
    } else {
        auto* error = new QLabel(code.error(), this);
        error->setObjectName(QStringLiteral("error"));
        error->setAccessibleName(tr("Error"));
        error->setAccessibleDescription(code.error());
        error->setFixedWidth(width);
        TextStyle::setProblemStyle(error);
        layout->addWidget(error);
    }

    auto* urlLabel = new QLabel(this);
    urlLabel->setObjectName(QStringLiteral("url"));
    urlLabel->setText(urlLabel->fontMetrics().elidedText(url, Qt::ElideMiddle, width));
    urlLabel->setTextFormat(Qt::PlainText);
    urlLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    urlLabel->setAlignment(Qt::AlignHCenter);
    urlLabel->setToolTip(url);
    urlLabel->setAccessibleName(tr("URL"));
    urlLabel->setAccessibleDescription(url);
    layout->addWidget(urlLabel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_copy = buttons->addButton(tr("Copy"), QDialogButtonBox::ActionRole);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_copy->setAccessibleName(tr("Copy"));
    m_copy->setToolTip(tr("Copy the QR code as an image"));
    m_copy->setEnabled(m_code.has_value());
    m_copy->setDefault(m_code.has_value());
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    connect(m_copy, &QPushButton::clicked, this, &QrCodeDialog::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QrCodeDialog* QrCodeDialog::showFor(const QString& url, QWidget* parent) {
    auto* dialog = new QrCodeDialog(url, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

int QrCodeDialog::devicePixelsPerModule() const {
    const int modules = m_code->size() + 2 * QrCode::quietZone;
    const qreal ratio = devicePixelRatioF();
    int pixels = std::max(int(std::ceil(minimumModuleSize * ratio)),
                          int(std::ceil(minimumCodeSize * ratio / modules)));
    // The longest URLs would make a code taller than the screen: smaller modules, rather
    // than a code cut off.
    if (const QScreen* screen = this->screen()) {
        const int room = int((screen->availableGeometry().height() - 160) * ratio) / modules;
        pixels = std::max(2, std::min(pixels, room));
    }
    return pixels;
}

void QrCodeDialog::copy() {
    if (!m_code)
        return;
    const QByteArray png = m_code->png();
    auto* data = new QMimeData;
    data->setImageData(QImage::fromData(png, "PNG"));
    data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data);
}
