#pragma once

#include "widgets/Binding.h"

#include <QColor>
#include <QWidget>

// QWidget that paints the collection colour grid: the twelve palette colours as two rows of six
// swatches. The swatch equal to the bound colour shows a white centre; a click (or the arrow keys)
// writes that swatch's colour to the binding.
class GridColorPickerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int swatchSize = 16;
    static constexpr int columnSpacing = 6;
    static constexpr int rowSpacing = 12;
    static constexpr int columns = 6;

    explicit GridColorPickerView(Binding<QColor> color, QWidget* parent = nullptr);

    // Index of the swatch showing the bound colour, or -1.
    [[nodiscard]] int selectedIndex() const;
    [[nodiscard]] QRect swatchRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void colorChosen(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int index);
    [[nodiscard]] QPoint gridOrigin() const;

    Binding<QColor> m_color;
};
