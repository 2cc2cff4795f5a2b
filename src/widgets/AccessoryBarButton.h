#pragma once

#include <QToolButton>

// A flat QToolButton whose label is a widget of its own (icon, title, chevron, ...): it highlights
// on hover and press like an accessory-bar button and sizes itself to the label.
class AccessoryBarButton : public QToolButton {
    Q_OBJECT
public:
    explicit AccessoryBarButton(QWidget* label, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_label;
};
