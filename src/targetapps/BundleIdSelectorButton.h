#pragma once

#include <QPointer>
#include <QWidget>

class BundleIdManager;
class QLabel;

// The label of the app picker's toolbar button: the selected app's icon (or a placeholder),
// its name (or "Loading...", "No Apps", "Select App") and a chevron. Redrawn whenever the
// manager's selection, loading state, list or selected icon changes.
class BundleIdSelectorButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int iconSize = 16;

    explicit BundleIdSelectorButton(BundleIdManager& manager, QWidget* parent = nullptr);

    [[nodiscard]] QString title() const;
    // Whether the icon shows the selected app's own image (not the placeholder).
    [[nodiscard]] bool showsAppIcon() const { return m_showsAppIcon; }

    // The label text for the manager's state.
    [[nodiscard]] static QString titleFor(const BundleIdManager& manager);

Q_SIGNALS:
    // The title or icon was redrawn.
    void refreshed();

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    QPointer<BundleIdManager> m_manager;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_chevron;
    bool m_showsAppIcon = false;
};
