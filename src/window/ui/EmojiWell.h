#pragma once

#include <QAbstractButton>
#include <QColor>

// QAbstractButton that paints the collection editor's icon well: a ring and a disc in the accent
// colour with the chosen emoji on top. Pressing it opens or closes the emoji picker.
class EmojiWell : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int outerSize = 40;
    static constexpr int innerSize = 34;

    explicit EmojiWell(QWidget* parent = nullptr);

    void setEmoji(const QString& emoji);
    [[nodiscard]] QString emoji() const { return m_emoji; }
    void setSelectedColor(const QColor& color);
    [[nodiscard]] QColor selectedColor() const { return m_selectedColor; }

    QSize sizeHint() const override { return {outerSize + 2, outerSize + 2}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emoji;
    QColor m_selectedColor;
};
