#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;

// QWidget, the untyped half of SegmentedControl: a row of exclusive image segments, exactly one of
// which is selected. Reports user clicks by index; typed selection lives in the template.
class SegmentedControlBase : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControlBase(const QList<QIcon>& images, QWidget* parent = nullptr);

    [[nodiscard]] int count() const;
    [[nodiscard]] int selectedIndex() const;
    // Selects a segment without reporting it as a user selection.
    void setSelectedIndex(int index);
    // Describes segment `index` (tooltip and accessible name), as images carry no text.
    void setSegmentToolTip(int index, const QString& text);
    // Sets the size the segment images are drawn at.
    void setImageSize(const QSize& size);

Q_SIGNALS:
    // The user clicked segment `index` (also when it was selected already).
    void segmentClicked(int index);

protected:
    virtual void handleUserSelection(int index) = 0;

private:
    QButtonGroup* m_group = nullptr;
    QHBoxLayout* m_layout = nullptr;
};
