#include "window/ui/GridColorPickerView.h"

#include "store/ColorPalette.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

int rowCount() {
    const int count = int(ColorPalette::colors().size());
    return (count + GridColorPickerView::columns - 1) / GridColorPickerView::columns;
}

// One swatch to assistive technology: a radio button named after its colour, checked when
// chosen. The grid paints them itself, so there is no widget to describe.
class SwatchAccessible : public QAccessibleInterface {
public:
    SwatchAccessible(GridColorPickerView* grid, int index)
        : m_grid(grid)
        , m_index(index) {}

    bool isValid() const override { return m_grid; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_grid);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !m_grid)
            return {};
        const QString name = ColorPalette::names().value(m_index);
        return chosen() ? name + QStringLiteral(", selected") : name;
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!m_grid)
            return {};
        const QRect local = m_grid->swatchRect(m_index);
        return {m_grid->mapToGlobal(local.topLeft()), local.size()};
    }
    QAccessible::Role role() const override { return QAccessible::RadioButton; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.checkable = true;
        state.focusable = true;
        state.checked = chosen();
        state.focused = state.checked && m_grid && m_grid->hasFocus();
        return state;
    }

private:
    [[nodiscard]] bool chosen() const { return m_grid && m_grid->selectedIndex() == m_index; }

    QPointer<GridColorPickerView> m_grid;
    int m_index;
};

class GridAccessible : public QAccessibleWidget {
public:
    explicit GridAccessible(GridColorPickerView* grid)
        : QAccessibleWidget(grid, QAccessible::Grouping) {}
    ~GridAccessible() override {
        for (const QAccessible::Id id : std::as_const(m_swatches))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return int(ColorPalette::colors().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (!m_swatches.contains(index)) {
            m_swatches.insert(index, QAccessible::registerAccessibleInterface(new SwatchAccessible(
                                         static_cast<GridColorPickerView*>(widget()), index)));
        }
        return QAccessible::accessibleInterface(m_swatches.value(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = m_swatches.cbegin(); it != m_swatches.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        const int selected = static_cast<GridColorPickerView*>(widget())->selectedIndex();
        return widget()->hasFocus() && selected >= 0 ? child(selected) : nullptr;
    }

private:
    mutable QHash<int, QAccessible::Id> m_swatches;
};

QAccessibleInterface* gridAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("GridColorPickerView") && object && object->isWidgetType())
        return new GridAccessible(static_cast<GridColorPickerView*>(object));
    return nullptr;
}

} // namespace

GridColorPickerView::GridColorPickerView(Binding<QColor> color, QWidget* parent)
    : QWidget(parent)
    , m_color(std::move(color)) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(gridAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Color"));
}

int GridColorPickerView::selectedIndex() const {
    return ColorPalette::indexOf(m_color.get().rgba());
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
    const QList<QRgb>& colors = ColorPalette::colors();
    const int selected = selectedIndex();
    for (int index = 0; index < colors.size(); ++index) {
        const QRectF rect = swatchRect(index);
        painter.setBrush(QColor(colors.at(index)));
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
    const QColor color(ColorPalette::colors().at(index));
    m_color.set(color);
    update();
    // A screen reader follows the keyboard to the newly chosen swatch.
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(index);
        QAccessible::updateAccessibility(&focus);
    }
    Q_EMIT colorChosen(color);
}
