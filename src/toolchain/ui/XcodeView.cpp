#include "toolchain/ui/XcodeView.h"

#include "platform/SymbolImage.h"
#include "toolchain/ui/XcodeChooser.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

XcodeView::XcodeView(XcodeChooser& chooser, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(14);
    layout->addStretch();
    auto* label = new QLabel(tr("Select the Xcode path"), this);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    layout->addWidget(label);

    m_selectButton = new QPushButton(tr("Select Xcode"), this);
    m_selectButton->setObjectName(QStringLiteral("selectXcode"));
    m_selectButton->setDefault(true);
    m_selectButton->setCursor(Qt::PointingHandCursor);
    m_selectButton->setIconSize(QSize(16, 16));
    layout->addWidget(m_selectButton, 0, Qt::AlignCenter);
    m_continueButton = new QPushButton(tr("Continue without Xcode"), this);
    m_continueButton->setObjectName(QStringLiteral("continueWithoutXcode"));
    m_continueButton->setCursor(Qt::PointingHandCursor);
    layout->addWidget(m_continueButton, 0, Qt::AlignCenter);
    styleButtons();
    layout->addStretch();

    QPointer<XcodeChooser> guard(&chooser);
    connect(m_selectButton, &QPushButton::clicked, this, [this, guard] {
        if (guard)
            guard->choose(this);
    });
    connect(m_continueButton, &QPushButton::clicked, this,
            &XcodeView::continueWithoutXcodeRequested);
}

void XcodeView::styleButtons() {
    // The prominent style: filled with the accent colour, text and symbol in its contrast.
    const QPalette palette = this->palette();
    const QColor accent = palette.color(QPalette::Highlight);
    const QColor text = palette.color(QPalette::HighlightedText);
    m_selectButton->setIcon(SymbolImage::icon(QStringLiteral("globe"), text));
    m_selectButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; border: none;"
                       " border-radius: 6px; padding: 6px 16px; font-weight: 600; }"
                       "QPushButton:hover { background-color: %3; }"
                       "QPushButton:pressed { background-color: %4; }")
            .arg(accent.name(), text.name(), accent.lighter(110).name(),
                 accent.darker(115).name()));
    // The quiet one: accent-coloured text of the same size, a surface only under the pointer,
    // an outline while it has the keyboard focus.
    m_continueButton->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; color: %1;"
                       " border: 1px solid transparent; border-radius: 6px; padding: 5px 15px; }"
                       "QPushButton:hover { background-color: palette(button); }"
                       "QPushButton:focus { border-color: %1; }")
            .arg(palette.color(QPalette::Link).name()));
}

void XcodeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        styleButtons();
    QWidget::changeEvent(event);
}
