#include "execution/AutomatedRun.h"

#include "store/Deeplink.h"

AutomatedRun::AutomatedRun(std::unique_ptr<RunClock> clock, DeeplinkList deeplinks,
                           OpenUrlAction openUrl, QObject* parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_deeplinks(std::move(deeplinks))
    , m_openUrl(std::move(openUrl)) {
    connect(m_clock.get(), &RunClock::ticked, this, &AutomatedRun::tick);
    m_clock->connectClock();
}

AutomatedRun::~AutomatedRun() {
    stop();
}

QString AutomatedRun::statusText() const {
    switch (m_state) {
    case StateCase::Running:
        return QStringLiteral("Next: %1:00").arg(m_timeRemaining);
    case StateCase::InActive:
        return QStringLiteral("In-Active");
    case StateCase::Paused:
        return QStringLiteral("Paused");
    case StateCase::Initial:
    case StateCase::Completed:
        break;
    }
    return {};
}

std::optional<FiringOutcome> AutomatedRun::outcome(const Deeplink* deeplink) const {
    const auto found = m_outcomes.constFind(deeplink);
    if (found == m_outcomes.cend())
        return std::nullopt;
    return *found;
}

void AutomatedRun::setOutcome(Deeplink* deeplink, const FiringOutcome& outcome) {
    if (!m_outcomes.contains(deeplink)) {
        // A deeplink made later at the same address must not show this one's outcome.
        connect(deeplink, &QObject::destroyed, this,
                [this, deeplink] { m_outcomes.remove(deeplink); });
    }
    m_outcomes.insert(deeplink, outcome);
    Q_EMIT outcomeChanged(deeplink);
}

void AutomatedRun::toggle() {
    switch (m_state) {
    case StateCase::Initial:
    case StateCase::Completed: {
        if (m_startCheck) {
            // The check may show a dialog, during which this run may go.
            QPointer<AutomatedRun> self(this);
            const bool start = m_startCheck(m_deeplinks ? m_deeplinks() : QList<Deeplink*>());
            if (!self || !start)
                return;
        }
        // A new run: the last one's outcomes go.
        const QList<const Deeplink*> marked = m_outcomes.keys();
        for (const Deeplink* deeplink : marked)
            disconnect(deeplink, &QObject::destroyed, this, nullptr);
        m_outcomes.clear();
        ++m_runNumber;
        for (const Deeplink* deeplink : marked)
            Q_EMIT outcomeChanged(const_cast<Deeplink*>(deeplink));
        setState(StateCase::Running);
        break;
    }
    case StateCase::Paused:
        setState(StateCase::Running);
        break;
    case StateCase::Running:
        setState(StateCase::Paused);
        break;
    case StateCase::InActive:
        break;
    }
}

void AutomatedRun::chooseInterval(int seconds) {
    m_time = seconds;
    m_timeRemaining = seconds;
    Q_EMIT statusChanged();
    toggle();
}

void AutomatedRun::setScenePhase(ScenePhase phase) {
    if (phase == ScenePhase::Active) {
        if (m_state == StateCase::InActive)
            setState(StateCase::Running);
    } else if (m_state == StateCase::Running) {
        setState(StateCase::InActive);
    }
}

void AutomatedRun::stop() {
    if (m_clock)
        m_clock->disconnectClock();
}

void AutomatedRun::tick() {
    // The clock runs from creation; nothing counts before the first start.
    if (m_state == StateCase::Initial)
        return;
    if (m_timeRemaining <= 0)
        return;
    --m_timeRemaining;
    Q_EMIT statusChanged();
    if (m_timeRemaining == 0)
        step();
}

void AutomatedRun::setState(StateCase state) {
    if (state == m_state)
        return;
    m_state = state;
    // Only a running clock ticks; entering running restarts it, one tick a second from now.
    if (state == StateCase::Running)
        m_clock->connectClock();
    else
        m_clock->disconnectClock();
    Q_EMIT stateChanged(state);
    Q_EMIT statusChanged();
}

void AutomatedRun::step() {
    if (m_state == StateCase::Completed)
        return;
    ++m_currentDeeplinkIndex;
    m_timeRemaining = m_time;
    Q_EMIT statusChanged();
    // Read afresh: deletions and a narrowing search count from this step on.
    const QList<Deeplink*> deeplinks = m_deeplinks ? m_deeplinks() : QList<Deeplink*>();
    if (m_currentDeeplinkIndex >= deeplinks.size()) {
        m_currentDeeplinkIndex = -1;
        setState(StateCase::Completed);
        return;
    }
    Deeplink* deeplink = deeplinks.at(m_currentDeeplinkIndex);
    const int index = m_currentDeeplinkIndex;
    QPointer<AutomatedRun> self(this);
    Q_EMIT deeplinkReached(deeplink, index);
    if (!self)
        return;
    // A deeplink without a URL is passed over silently; its turn still counts.
    if (const FiringRequest request = FiringRequest::forDeeplink(*deeplink);
        !request.url.isEmpty() && m_openUrl) {
        // The firing may end after this run or its deeplink went.
        QPointer<Deeplink> target(deeplink);
        m_openUrl(request, [self, target, run = m_runNumber](const FiringOutcome& outcome) {
            if (self && target && self->m_runNumber == run)
                self->setOutcome(target, outcome);
        });
    }
    if (!self)
        return;
    if (m_currentDeeplinkIndex == deeplinks.size() - 1) {
        m_currentDeeplinkIndex = -1;
        setState(StateCase::Completed);
    }
}

#include "moc_AutomatedRun.cpp"
