#pragma once

#include "destinations/Device.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QLabel;
class RunDestinationManager;

// The label of the destination picker's toolbar button: the selected destination's symbol
// (green while it is booted), its name (or "Loading...", "No Device") and a chevron.
class TargetSelectorButton : public QWidget {
    Q_OBJECT
public:
    explicit TargetSelectorButton(RunDestinationManager& manager, QWidget* parent = nullptr);

    [[nodiscard]] QString title() const;
    [[nodiscard]] const QString& symbol() const { return m_symbol; }

    // The toolbar symbol for a destination, chosen from its name ("iphone.slash" for none).
    [[nodiscard]] static QString symbolName(const std::optional<Device>& device);
    [[nodiscard]] static QString titleFor(const RunDestinationManager& manager);

Q_SIGNALS:
    // The title or icon was redrawn.
    void refreshed();

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    QPointer<RunDestinationManager> m_manager;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_chevron;
    QString m_symbol;
};
