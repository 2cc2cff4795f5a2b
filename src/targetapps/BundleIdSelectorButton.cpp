#include "targetapps/BundleIdSelectorButton.h"

#include "platform/SymbolImage.h"
#include "targetapps/BundleIdManager.h"
#include "widgets/TextStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal cornerRadius = 3;
constexpr int placeholderSymbolSize = 10; // the 9-point system font's glyph box

QPixmap iconPixmap(const std::optional<InstalledApp>& app, const QPalette& palette, qreal ratio) {
    const int size = BundleIdSelectorButton::iconSize;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, size, size), cornerRadius, cornerRadius);
    if (app && !app->icon().isNull()) {
        painter.setClipPath(shape);
        painter.drawImage(QRectF(0, 0, size, size), app->icon());
        return pixmap;
    }
    // Accent when an app is chosen but has no icon yet; secondary when none is chosen.
    const QColor tint = app ? palette.color(QPalette::Highlight) : TextStyle::secondary(palette);
    QColor fill = tint;
    fill.setAlphaF(0.1);
    painter.fillPath(shape, fill);
    const qreal offset = (size - placeholderSymbolSize) / 2.0;
    painter.drawPixmap(
        QPointF(offset, offset),
        SymbolImage::pixmap(QStringLiteral("app.fill"), placeholderSymbolSize, tint, ratio));
    return pixmap;
}

} // namespace

BundleIdSelectorButton::BundleIdSelectorButton(BundleIdManager& manager, QWidget* parent)
    : QWidget(parent)
    , m_manager(&manager)
    , m_icon(new QLabel(this))
    , m_title(new QLabel(this))
    , m_chevron(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_icon->setFixedSize(iconSize, iconSize);
    m_title->setFont(TextStyle::font(TextStyle::Style::Caption));
    layout->addWidget(m_icon);
    layout->addWidget(m_title);
    layout->addWidget(m_chevron);

    connect(&manager, &BundleIdManager::selectedAppChanged, this, &BundleIdSelectorButton::refresh);
    connect(&manager, &BundleIdManager::isLoadingChanged, this, &BundleIdSelectorButton::refresh);
    connect(&manager, &BundleIdManager::appsChanged, this, &BundleIdSelectorButton::refresh);
    connect(&manager, &BundleIdManager::iconUpdateTriggerChanged, this,
            &BundleIdSelectorButton::refresh);
    refresh();
}

QString BundleIdSelectorButton::titleFor(const BundleIdManager& manager) {
    // The chosen app's name wins over "Loading..." while a reload runs.
    if (manager.selectedApp())
        return manager.selectedApp()->name();
    if (manager.isLoading())
        return QStringLiteral("Loading...");
    if (manager.apps().isEmpty())
        return QStringLiteral("No Apps");
    return QStringLiteral("Select App");
}

QString BundleIdSelectorButton::title() const {
    return m_title->text();
}

void BundleIdSelectorButton::refresh() {
    if (!m_manager)
        return;
    const std::optional<InstalledApp>& app = m_manager->selectedApp();
    m_showsAppIcon = app && !app->icon().isNull();
    const qreal ratio = devicePixelRatioF();
    m_icon->setPixmap(iconPixmap(app, palette(), ratio));
    const QString text = titleFor(*m_manager);
    if (text != m_title->text()) {
        m_title->setText(text);
        updateGeometry();
    }
    const QFont chevronFont = TextStyle::font(TextStyle::Style::Caption2);
    const int chevronSize = QFontMetrics(chevronFont).ascent();
    m_chevron->setPixmap(SymbolImage::pixmap(QStringLiteral("chevron.down"), chevronSize,
                                             TextStyle::secondary(palette()), ratio));
    setAccessibleName(text);
    Q_EMIT refreshed();
}

void BundleIdSelectorButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refresh();
}
