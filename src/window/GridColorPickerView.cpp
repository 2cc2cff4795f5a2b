#include "window/GridColorPickerView.h"

#include "store/ColorPalette.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

int rowCount() {
    const int count = int(ColorPalette::colors().size());
    return (count + GridColorPickerView::columns - 1) / GridColorPickerView::columns;
}

} // namespace

GridColorPickerView::GridColorPickerView(Binding<QColor> color, QWidget* parent)
    : QWidget(parent)
    , m_color(std::move(color)) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Color"));
}

int GridColorPickerView::selectedIndex() const {
    return ColorPalette::indexOf(m_color.get());
}

QSize GridColorPickerView::sizeHint() const {
    // One pixel of room on each side keeps the antialiased edges whole.
    return {columns * swatchSize + (columns - 1) * columnSpacing + 2,
            rowCount() * swatchSize + (rowCount() - 1) * rowSpacing + 2};
}

QPoint GridColorPickerView::gridOrigin() const {
    const QSize grid = sizeHint();
    return {(width() - grid.width()) / 2 + 1, (height() - grid.height()) / 2 + 1};
}

QRect GridColorPickerView::swatchRect(int index) const {
    const QPoint origin = gridOrigin();
    return {origin.x() + (index % columns) * (swatchSize + columnSpacing),
            origin.y() + (index / columns) * (swatchSize + rowSpacing), swatchSize, swatchSize};
}

void GridColorPickerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QList<QColor>& colors = ColorPalette::colors();
    const int selected = selectedIndex();
    for (int index = 0; index < colors.size(); ++index) {
        const QRectF rect = swatchRect(index);
        painter.setBrush(colors.at(index));
        painter.drawEllipse(rect);
        if (index == selected) {
            painter.setBrush(Qt::white);
            painter.drawEllipse(rect.adjusted(4, 4, -4, -4));
        }
    }
    if (hasFocus() && selected >= 0) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawEllipse(QRectF(swatchRect(selected)).adjusted(-2.5, -2.5, 2.5, 2.5));
    }
}

void GridColorPickerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    for (int index = 0; index < ColorPalette::colors().size(); ++index) {
        // Round swatches: a click in the square's corner is not on the colour.
        const QRectF rect = swatchRect(index);
        const QPointF offset = event->position() - rect.center();
        if (QPointF::dotProduct(offset, offset) <= (swatchSize / 2.0) * (swatchSize / 2.0)) {
            choose(index);
            return;
        }
    }
}

void GridColorPickerView::keyPressEvent(QKeyEvent* event) {
    const int count = int(ColorPalette::colors().size());
    const int current = std::max(0, selectedIndex());
    int next = current;
    switch (event->key()) {
    case Qt::Key_Left:
        next = current - 1;
        break;
    case Qt::Key_Right:
        next = current + 1;
        break;
    case Qt::Key_Up:
        next = current - columns;
        break;
    case Qt::Key_Down:
        next = current + columns;
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    if (next >= 0 && next < count)
        choose(next);
}

void GridColorPickerView::choose(int index) {
    const QColor color = ColorPalette::colors().at(index);
    m_color.set(color);
    update();
    Q_EMIT colorChosen(color);
}
