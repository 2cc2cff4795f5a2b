#pragma once

#include <QObject>

class AutomatedRun;
class QLabel;
class QMenu;
class QToolButton;
class QWidget;

// QObject that drives the controls of an automated run: the tool button that starts it (its
// arrow offers the 2, 5 and 10 second intervals) or stops it, and the countdown label. The
// view that owns the run places the two widgets; this keeps them in step with the run. Alt+Down
// (or F4) on the focused button opens the intervals, as on any drop-down.
class AutomatedRunControls : public QObject {
    Q_OBJECT
public:
    // The widgets start as children of `parent`, until the view lays them out.
    AutomatedRunControls(AutomatedRun* run, QWidget* parent);

    // "Start" (with the interval menu) or "Stop".
    [[nodiscard]] QToolButton* button() const { return m_button; }
    // "Next: 7:00", "Paused", ...; hidden when the run has nothing to say.
    [[nodiscard]] QLabel* statusLabel() const { return m_status; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateStatus();
    void updateButton();

    AutomatedRun* m_run = nullptr;
    QToolButton* m_button = nullptr;
    QMenu* m_menu = nullptr;
    QLabel* m_status = nullptr;
};
