#include "widgets/PlaceholderView.h"

#include "platform/SymbolImage.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int stackSpacing = 24;
constexpr int sideMargin = 24;
} // namespace

PlaceholderView::PlaceholderView(const QString& symbolName, const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_symbolName(symbolName) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(sideMargin, sideMargin, sideMargin, sideMargin);
    layout->setSpacing(stackSpacing);
    layout->addStretch(1);
    if (!symbolName.isEmpty()) {
        m_symbol = new QLabel(this);
        m_symbol->setAlignment(Qt::AlignCenter);
        // Decorative: the text under it says it all, so it reads nothing (not its symbol id).
        layout->addWidget(m_symbol);
    }
    m_text = new QLabel(text, this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(TextStyle::font(TextStyle::Style::Title, true));
    layout->addWidget(m_text);
    layout->addStretch(1);
    setAccessibleName(text);
    applyColors();
}

QString PlaceholderView::text() const {
    return m_text->text();
}

void PlaceholderView::setText(const QString& text) {
    m_text->setText(text);
    setAccessibleName(text);
}

QPushButton* PlaceholderView::addButton(const QString& symbolName, const QString& text) {
    if (m_button)
        return m_button;
    m_button = new QPushButton(SymbolImage::icon(symbolName, Qt::white), text, this);
    m_button->setObjectName(QStringLiteral("placeholderButton"));
    m_button->setFont(TextStyle::font(TextStyle::Style::Callout));
    m_button->setDefault(true);
    m_button->setAccessibleName(text);
    m_button->setCursor(Qt::PointingHandCursor);
    // Prominent: filled with the accent colour like the desktop's default action.
    m_button->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text);"
        " border: none; border-radius: 6px; padding: 6px 14px; }"
        "QPushButton:hover { background: palette(highlight); }"
        "QPushButton:pressed { background: palette(dark); }"));
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    // Before the trailing stretch.
    layout->insertWidget(layout->count() - 1, m_button, 0, Qt::AlignHCenter);
    return m_button;
}

void PlaceholderView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyColors();
    QWidget::changeEvent(event);
}

void PlaceholderView::showEvent(QShowEvent* event) {
    if (m_symbolStale)
        drawSymbol();
    QWidget::showEvent(event);
}

void PlaceholderView::applyColors() {
    const QColor secondary = TextStyle::secondary(palette());
    QPalette textPalette = m_text->palette();
    // Both roles: on a Base surface (a list's) labels draw with Text.
    textPalette.setColor(QPalette::WindowText, secondary);
    textPalette.setColor(QPalette::Text, secondary);
    m_text->setPalette(textPalette);
    // Most placeholders stay hidden behind content: their symbol is drawn when first shown.
    m_symbolStale = m_symbol != nullptr;
    if (m_symbolStale && isVisible())
        drawSymbol();
}

void PlaceholderView::drawSymbol() {
    const int size = TextStyle::largeSymbolSize(TextStyle::Style::LargeTitle);
    m_symbol->setPixmap(SymbolImage::pixmap(m_symbolName, size, TextStyle::secondary(palette()),
                                            devicePixelRatioF()));
    m_symbolStale = false;
}
