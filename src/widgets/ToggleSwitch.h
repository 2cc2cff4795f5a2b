#pragma once

#include <QAbstractButton>

// QAbstractButton that paints an on/off switch: a rounded track with a sliding knob,
// accent-coloured when on.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {38, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
