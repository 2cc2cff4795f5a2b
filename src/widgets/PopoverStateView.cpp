#include "widgets/PopoverStateView.h"

#include "platform/SymbolImage.h"
#include "widgets/ActivityIndicator.h"
#include "widgets/TextStyle.h"

#include <QEvent>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int spacing = 12;

QLabel* captionLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(TextStyle::font(TextStyle::Style::Caption));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, TextStyle::secondary(palette));
    label->setPalette(palette);
    return label;
}

} // namespace

PopoverStateView::PopoverStateView(QSize size) {
    setFixedSize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(spacing);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addStretch();
}

PopoverStateView* PopoverStateView::loading(const QString& text, QSize size) {
    auto* view = new PopoverStateView(size);
    auto* layout = static_cast<QVBoxLayout*>(view->layout());
    layout->addWidget(new ActivityIndicator(view), 0, Qt::AlignHCenter);
    view->m_caption = captionLabel(text, view);
    layout->addWidget(view->m_caption);
    layout->addStretch();
    view->setAccessibleName(text);
    return view;
}

PopoverStateView* PopoverStateView::message(const QString& symbol, const QColor& symbolColor,
                                            const QString& headline, const QString& caption,
                                            const QString& buttonText, QSize size) {
    auto* view = new PopoverStateView(size);
    auto* layout = static_cast<QVBoxLayout*>(view->layout());
    view->m_symbol = symbol;
    view->m_symbolColor = symbolColor;
    view->m_symbolLabel = new QLabel(view);
    view->m_symbolLabel->setAlignment(Qt::AlignCenter);
    // Decorative: the headline under it is read.
    view->renderSymbol();
    layout->addWidget(view->m_symbolLabel);

    view->m_headline = new QLabel(headline, view);
    view->m_headline->setFont(TextStyle::font(TextStyle::Style::Headline));
    view->m_headline->setAlignment(Qt::AlignCenter);
    view->m_headline->setWordWrap(true);
    layout->addWidget(view->m_headline);
    if (!caption.isEmpty()) {
        view->m_caption = captionLabel(caption, view);
        layout->addWidget(view->m_caption);
    }
    if (!buttonText.isEmpty()) {
        auto* button = new QPushButton(buttonText, view);
        button->setObjectName(QStringLiteral("stateButton"));
        button->setAutoDefault(true);
        connect(button, &QPushButton::clicked, view, &PopoverStateView::buttonClicked);
        layout->addWidget(button, 0, Qt::AlignHCenter);
    }
    layout->addStretch();
    view->setAccessibleName(headline);
    return view;
}

QString PopoverStateView::headline() const {
    return m_headline ? m_headline->text() : QString();
}

QString PopoverStateView::caption() const {
    return m_caption ? m_caption->text() : QString();
}

void PopoverStateView::renderSymbol() {
    if (!m_symbolLabel)
        return;
    const QColor color = m_symbolColor.isValid() ? m_symbolColor : TextStyle::secondary(palette());
    const int size = TextStyle::largeSymbolSize(TextStyle::Style::LargeTitle);
    m_symbolLabel->setPixmap(SymbolImage::pixmap(m_symbol, size, color, devicePixelRatioF()));
}

void PopoverStateView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Follow light/dark switches and moves to a screen of another pixel ratio.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        renderSymbol();
}
