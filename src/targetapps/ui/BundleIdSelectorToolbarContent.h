#pragma once

#include "widgets/ToolbarPicker.h"

#include <optional>

class BundleIdManager;
class RunDestinationManager;

// QWidget (a ToolbarPicker) of the app picker in the window's toolbar, present only while a
// physical device is the run destination. Its button shows the selected app's icon (or a
// placeholder) and name, or "Loading...", "No Apps", "Select App"; its pop-up the manager's state:
// loading, a connection error with Retry, "No apps found" with Refresh, or the app list. Whenever a
// physical device becomes the destination (and when the picker first appears) it asks the manager
// to load that device's apps; the manager skips the work when they are loaded already.
class BundleIdSelectorToolbarContent : public ToolbarPicker {
    Q_OBJECT
public:
    static constexpr int iconSize = 16;

    BundleIdSelectorToolbarContent(BundleIdManager& bundleIdManager,
                                   RunDestinationManager& deviceManager, QWidget* parent = nullptr);

    // Whether the button shows the selected app's own image (not the placeholder).
    [[nodiscard]] bool showsAppIcon() const { return m_showsAppIcon; }

    // The button's title for the manager's state, with `deviceId` the run destination.
    [[nodiscard]] static QString titleFor(const BundleIdManager& manager, const QString& deviceId);
    // The message the pop-up shows for a failed load, from the error's description.
    [[nodiscard]] static QString errorMessage(const QString& errorDescription);

    // Forgets the loaded list and loads the selected device's apps again (Retry, Refresh).
    void reload();

protected:
    [[nodiscard]] PopoverState currentPopoverState() const override;
    [[nodiscard]] QWidget* createPopoverContent(PopoverState state) override;
    void refreshLabel() override;

private:
    void destinationChanged();
    [[nodiscard]] QString selectedDeviceId() const;

    QPointer<BundleIdManager> m_bundleIdManager;
    QPointer<RunDestinationManager> m_deviceManager;
    bool m_showsAppIcon = false;
    // The device the load trigger last ran for while the button was shown.
    std::optional<QString> m_triggeredDeviceId;
};
