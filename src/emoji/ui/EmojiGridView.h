#pragma once

#include "emoji/OffsetObserver.h"

#include <QTableView>

class EmojiGridModel;

// QTableView of the scrolling grid of emoji sections (an EmojiGridModel). Only the rows in view are
// painted; a click, Return or Space on an emoji activates it through the model.
class EmojiGridView : public QTableView {
    Q_OBJECT
public:
    explicit EmojiGridView(EmojiGridModel* model, QWidget* parent = nullptr);

    [[nodiscard]] EmojiGridModel* gridModel() const { return m_model; }

    // Where each section lies relative to the top of the visible area.
    [[nodiscard]] QList<OffsetViewFrame> sectionFrames() const;
    // Scrolls so that section `id` starts at the top (as far as the list allows).
    void scrollToSection(const QString& id);
    // The cell of emoji `item` of section `id` (invalid when there is none) and its viewport
    // rectangle.
    [[nodiscard]] QModelIndex itemIndex(const QString& id, int item) const;
    [[nodiscard]] QRect itemRect(const QString& id, int item) const;

Q_SIGNALS:
    // Scrolling or resizing moved the sections.
    void sectionFramesChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutSections();

    EmojiGridModel* m_model;
};
