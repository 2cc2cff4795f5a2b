#pragma once

#include "widgets/Binding.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AccessoryBarButton;
class Popover;
class QLabel;

// QWidget base of the toolbar pickers: a flat button showing a symbol, a title and a chevron,
// which toggles a Popover whose content follows the picker's state (loading, error, empty or
// the list). A subclass says which state holds, builds the content of each and draws the
// button's symbol and title; the shell swaps the content only when the state changes (an error
// every time: a new error has a new message), since the list follows its model by itself.
class ToolbarPicker : public QWidget {
    Q_OBJECT
public:
    enum class PopoverState { Loading, Error, Empty, List };

    ~ToolbarPicker() override;

    [[nodiscard]] bool showingPopover() const { return m_showingPopover; }
    void setShowingPopover(bool showing);
    // The row the list last highlighted or chose, as the list's rows identify it.
    [[nodiscard]] const std::optional<QString>& selection() const { return m_selection; }

    [[nodiscard]] AccessoryBarButton* button() const { return m_button; }
    [[nodiscard]] Popover* popover() const;
    [[nodiscard]] std::optional<PopoverState> popoverState() const { return m_popoverState; }
    [[nodiscard]] QString title() const;

Q_SIGNALS:
    void showingPopoverChanged();

protected:
    // `purpose` is the button's tooltip and accessible description; `accessibleName` has a %1
    // for the title, so that a screen reader hears what the button shows.
    ToolbarPicker(const QString& purpose, const QString& accessibleName, QWidget* parent);

    [[nodiscard]] virtual PopoverState currentPopoverState() const = 0;
    // The content for `state`; nullptr leaves the panel empty.
    [[nodiscard]] virtual QWidget* createPopoverContent(PopoverState state) = 0;
    // Draws the button through setLabel(); called again on palette and style changes.
    virtual void refreshLabel() {}

    // Brings the open panel's content in line with currentPopoverState().
    void updatePopoverContent();
    void setLabel(const QPixmap& icon, const QString& title);
    // For the list: the selection it highlights, and the flag it clears when a row is chosen.
    [[nodiscard]] Binding<std::optional<QString>> selectionBinding();
    [[nodiscard]] Binding<bool> showingPopoverBinding();

    void changeEvent(QEvent* event) override;

private:
    bool m_showingPopover = false;
    std::optional<QString> m_selection;
    QString m_accessibleName;
    QWidget* m_label;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_chevron;
    AccessoryBarButton* m_button;
    // Held as a QWidget: a panel being destroyed is no longer a Popover.
    QPointer<QWidget> m_popover;
    std::optional<PopoverState> m_popoverState;
};
