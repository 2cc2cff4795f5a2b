#pragma once

#include "widgets/Popover.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AccessoryBarButton;
class BundleIdManager;
class BundleIdSelectorButton;
class RunDestinationManager;

// The app picker in the window's toolbar, present only while a physical device is the run
// destination. Its button opens a pop-up that shows the manager's state: loading, a connection
// error with Retry, "No apps found" with Refresh, or the app list. Whenever a physical device
// becomes the destination (and when the picker first appears) it asks the manager to load that
// device's apps; the manager skips the work when they are loaded already.
class BundleIdSelectorToolbarContent : public QWidget {
    Q_OBJECT
public:
    enum class PopoverState { Loading, Error, Empty, List };

    BundleIdSelectorToolbarContent(BundleIdManager& bundleIdManager,
                                   RunDestinationManager& deviceManager, QWidget* parent = nullptr);

    [[nodiscard]] bool showingPopover() const { return m_showingPopover; }
    void setShowingPopover(bool showing);
    [[nodiscard]] const std::optional<QString>& selection() const { return m_selection; }
    void setSelection(std::optional<QString> selection) { m_selection = std::move(selection); }

    [[nodiscard]] AccessoryBarButton* button() const { return m_button; }
    [[nodiscard]] BundleIdSelectorButton* label() const { return m_label; }
    [[nodiscard]] Popover* popover() const { return m_popover; }
    [[nodiscard]] std::optional<PopoverState> popoverState() const { return m_popoverState; }

    // The message the pop-up shows for a failed load, from the error's description.
    [[nodiscard]] static QString errorMessage(const QString& errorDescription);

    // Forgets the loaded list and loads the selected device's apps again (Retry, Refresh).
    void reload();

Q_SIGNALS:
    void showingPopoverChanged();

private:
    void destinationChanged();
    void updatePopoverContent();
    [[nodiscard]] PopoverState currentPopoverState() const;

    QPointer<BundleIdManager> m_bundleIdManager;
    QPointer<RunDestinationManager> m_deviceManager;
    bool m_showingPopover = false;
    std::optional<QString> m_selection;
    BundleIdSelectorButton* m_label;
    AccessoryBarButton* m_button;
    QPointer<Popover> m_popover;
    std::optional<PopoverState> m_popoverState;
    // The device the load trigger last ran for while the button was shown.
    std::optional<QString> m_triggeredDeviceId;
};
