#pragma once

#include "window/ui/AddDeeplinkCollectionView.h"

#include <QPointer>
#include <QPushButton>

class ManagedObjectContext;

// QPushButton, the "Add collection" button at the foot of the sidebar: spans the column, label at
// the leading edge, secondary colour that turns primary under the pointer. It opens the collection
// editor in a sheet of its own.
class AddCollectionBottomToolbarButtonView : public QPushButton {
    Q_OBJECT
public:
    explicit AddCollectionBottomToolbarButtonView(ManagedObjectContext* context,
                                                  QWidget* parent = nullptr);

    [[nodiscard]] bool isHighlited() const { return m_isHighlited; }
    [[nodiscard]] bool isAddCollectionViewPresented() const { return m_sheet != nullptr; }
    [[nodiscard]] AddDeeplinkCollectionView* sheet() const { return m_sheet; }

    void setAddCollectionViewPresented(bool presented);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setHighlited(bool highlited);
    void applyColors();

    bool m_isHighlited = false;
    bool m_applyingColors = false;
    QPointer<ManagedObjectContext> m_context;
    QPointer<AddDeeplinkCollectionView> m_sheet;
};
