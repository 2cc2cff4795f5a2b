#include "window/ui/AddCollectionBottomToolbarButtonView.h"

#include "platform/SymbolImage.h"
#include "store/ManagedObjectContext.h"
#include "widgets/TextStyle.h"
#include "window/ui/AddDeeplinkCollectionView.h"

#include <QEvent>

AddCollectionBottomToolbarButtonView::AddCollectionBottomToolbarButtonView(
    ManagedObjectContext* context, QWidget* parent)
    : QPushButton(parent)
    , m_context(context) {
    setText(QStringLiteral("Add collection"));
    setAccessibleName(text());
    setToolTip(tr("Add a new collection or import collections"));
    setFlat(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setIconSize(QSize(16, 16));
    setCursor(Qt::PointingHandCursor);
    applyColors();
    connect(this, &QPushButton::clicked, this,
            [this] { setAddCollectionViewPresented(!isAddCollectionViewPresented()); });
}

void AddCollectionBottomToolbarButtonView::setAddCollectionViewPresented(bool presented) {
    if (presented == isAddCollectionViewPresented())
        return;
    if (!presented) {
        m_sheet->close();
        return;
    }
    m_sheet = new AddDeeplinkCollectionView(m_context, window());
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet->open();
}

void AddCollectionBottomToolbarButtonView::enterEvent(QEnterEvent* event) {
    setHighlited(true);
    QPushButton::enterEvent(event);
}

void AddCollectionBottomToolbarButtonView::leaveEvent(QEvent* event) {
    setHighlited(false);
    QPushButton::leaveEvent(event);
}

void AddCollectionBottomToolbarButtonView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        applyColors();
    QPushButton::changeEvent(event);
}

void AddCollectionBottomToolbarButtonView::setHighlited(bool highlited) {
    if (highlited == m_isHighlited)
        return;
    m_isHighlited = highlited;
    applyColors();
}

void AddCollectionBottomToolbarButtonView::applyColors() {
    if (m_applyingColors)
        return;
    m_applyingColors = true;
    const QPalette base = parentWidget() ? parentWidget()->palette() : palette();
    const QColor color =
        m_isHighlited ? base.color(QPalette::WindowText) : TextStyle::secondary(base);
    setIcon(SymbolImage::icon(QStringLiteral("plus.circle"), color));
    // Plain: no bezel, the label at the leading edge; 10 points before it, 8 under it.
    setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent;"
                                 " padding: 6px 6px 8px 10px; text-align: left; color: %1; }")
                      .arg(color.name(QColor::HexArgb)));
    m_applyingColors = false;
}
