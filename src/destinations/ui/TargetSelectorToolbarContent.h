#pragma once

#include "widgets/ToolbarPicker.h"

class RunDestinationManager;

// QWidget (a ToolbarPicker) of the destination picker in the window's toolbar: its button shows the
// selected destination's symbol (green while it is booted) and name (with why it cannot be used,
// when it cannot), or "Loading...", "No Device"; its pop-up the searchable destination list, a
// spinner while loading, or "No devices found" with a Refresh button.
class TargetSelectorToolbarContent : public ToolbarPicker {
    Q_OBJECT
public:
    explicit TargetSelectorToolbarContent(RunDestinationManager& manager,
                                          QWidget* parent = nullptr);

    // The symbol the button shows ("iphone.slash" without a destination).
    [[nodiscard]] const QString& symbol() const { return m_symbol; }
    [[nodiscard]] static QString titleFor(const RunDestinationManager& manager);

protected:
    [[nodiscard]] PopoverState currentPopoverState() const override;
    [[nodiscard]] QWidget* createPopoverContent(PopoverState state) override;
    void refreshLabel() override;

private:
    QPointer<RunDestinationManager> m_manager;
    QString m_symbol;
};
