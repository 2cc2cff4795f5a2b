#pragma once

#include "widgets/Popover.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AccessoryBarButton;
class RunDestinationManager;
class TargetSelectorButton;

// The destination picker in the window's toolbar: a button showing the selected destination
// that opens a pop-up with the searchable destination list, a spinner while loading, or
// "No devices found" with a Refresh button.
class TargetSelectorToolbarContent : public QWidget {
    Q_OBJECT
public:
    enum class PopoverState { Loading, Empty, List };

    explicit TargetSelectorToolbarContent(RunDestinationManager& manager,
                                          QWidget* parent = nullptr);

    [[nodiscard]] bool showingPopover() const { return m_showingPopover; }
    void setShowingPopover(bool showing);
    [[nodiscard]] const std::optional<QString>& selection() const { return m_selection; }

    [[nodiscard]] AccessoryBarButton* button() const { return m_button; }
    [[nodiscard]] TargetSelectorButton* label() const { return m_label; }
    [[nodiscard]] Popover* popover() const { return m_popover; }
    [[nodiscard]] std::optional<PopoverState> popoverState() const { return m_popoverState; }

Q_SIGNALS:
    void showingPopoverChanged();

private:
    void updatePopoverContent();

    QPointer<RunDestinationManager> m_manager;
    bool m_showingPopover = false;
    std::optional<QString> m_selection;
    TargetSelectorButton* m_label;
    AccessoryBarButton* m_button;
    QPointer<Popover> m_popover;
    std::optional<PopoverState> m_popoverState;
};
