#pragma once

#include <QWidget>

class QVariantAnimation;

// QWidget that paints an indeterminate spinning activity indicator, drawn in the palette's text
// colour.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    explicit ActivityIndicator(QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation* m_animation;
    int m_step = 0;
};
