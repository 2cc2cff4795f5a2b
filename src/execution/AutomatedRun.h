#pragma once

#include "execution/OpenUrlAction.h"
#include "execution/RunClock.h"
#include "platform/ScenePhase.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class Deeplink;

// Where an automated run stands.
enum class StateCase {
    Initial,   // never started
    Running,   // counting down; the clock ticks
    InActive,  // was running when the scene stopped being active; resumes when it is again
    Paused,    // stopped by the user; resumes from the remaining countdown
    Completed, // the last deeplink has been fired
};

// The automated run of one collection: fires its deeplinks one after another, `time` seconds
// apart, driven by a one-second clock. The list is read afresh at every step, so deletions
// and a narrowing search during the run take effect at the next step. It keeps what each firing
// of the run did until the next run starts.
class AutomatedRun : public QObject {
    Q_OBJECT
public:
    // The deeplinks in list order (newest first, narrowed by the search).
    using DeeplinkList = std::function<QList<Deeplink*>()>;

    static constexpr int defaultTime = 10;
    // The intervals offered in the run menu, in its order.
    static constexpr std::array<int, 3> intervals{2, 5, 10};

    // Connects `clock` at once; its ticks are ignored until the first start.
    AutomatedRun(std::unique_ptr<RunClock> clock, DeeplinkList deeplinks, OpenUrlAction openUrl,
                 QObject* parent = nullptr);
    ~AutomatedRun() override;

    [[nodiscard]] StateCase state() const { return m_state; }
    [[nodiscard]] int time() const { return m_time; }
    [[nodiscard]] int timeRemaining() const { return m_timeRemaining; }
    // Position of the last deeplink fired; -1 before the first.
    [[nodiscard]] int currentDeeplinkIndex() const { return m_currentDeeplinkIndex; }
    [[nodiscard]] RunClock* clock() const { return m_clock.get(); }

    // What firing `deeplink` did in this run; none before its firing ended, nor after a new run
    // started.
    [[nodiscard]] std::optional<FiringOutcome> outcome(const Deeplink* deeplink) const;

    // "Next: 7:00", "In-Active", "Paused", or empty when there is nothing to say.
    [[nodiscard]] QString statusText() const;

    // Asked before a new run starts, with the deeplinks it will walk: false, and it does not
    // start (the user cancelled the prompt for their variables).
    using StartCheck = std::function<bool(const QList<Deeplink*>& deeplinks)>;
    void setStartCheck(StartCheck check) { m_startCheck = std::move(check); }

    // Starts (from initial, paused or completed) or pauses (while running).
    void toggle();
    // Sets the interval and the countdown to `seconds`, then toggles.
    void chooseInterval(int seconds);
    void setScenePhase(ScenePhase phase);
    // The view goes away: no more ticks.
    void stop();

    // One clock tick.
    void tick();

Q_SIGNALS:
    void stateChanged(StateCase state);
    // The countdown or the status text changed.
    void statusChanged();
    // The run reached `deeplink` at `index` (selected and scrolled to, fired when it has a URL).
    void deeplinkReached(Deeplink* deeplink, int index);
    // The firing of `deeplink` ended: outcome() has what it did (or it was forgotten).
    void outcomeChanged(Deeplink* deeplink);

private:
    void setState(StateCase state);
    void step();
    void setOutcome(Deeplink* deeplink, const FiringOutcome& outcome);

    std::unique_ptr<RunClock> m_clock;
    DeeplinkList m_deeplinks;
    OpenUrlAction m_openUrl;
    StartCheck m_startCheck;
    StateCase m_state = StateCase::Initial;
    int m_time = defaultTime;
    int m_timeRemaining = defaultTime;
    int m_currentDeeplinkIndex = -1;
    QHash<const Deeplink*, FiringOutcome> m_outcomes;
    int m_runNumber = 0; // a firing that ends in a later run is not that run's
};
