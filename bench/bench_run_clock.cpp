// The automated run's clock at real time: 120 ticks of a running TimerRunClock, each
// compared with where it is due (n seconds after the start). Prints the drift of every tenth
// tick and the largest; the target is under 50 ms with no accumulation over the run.
//
// Usage: bench_run_clock [ticks]   (default 120; takes that many seconds)

#include "execution/TimerRunClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;

    TimerRunClock clock;
    QElapsedTimer elapsed;
    QList<qint64> drifts;
    int count = 0;
    QObject::connect(&clock, &RunClock::ticked, &application, [&] {
        ++count;
        const qint64 drift = elapsed.nsecsElapsed() / 1000 - qint64(count) * 1'000'000;
        drifts.append(drift);
        if (count % 10 == 0 || count == 1)
            std::printf("tick %4d  drift %+8.3f ms\n", count, double(drift) / 1000.0);
        std::fflush(stdout);
        if (count == ticks)
            application.quit();
    });
    elapsed.start();
    clock.connectClock();
    application.exec();

    qint64 worst = 0;
    for (const qint64 drift : std::as_const(drifts))
        worst = std::max(worst, std::abs(drift));
    const double first = double(drifts.front()) / 1000.0;
    const double last = double(drifts.back()) / 1000.0;
    std::printf(
        "ticks %d  largest |drift| %.3f ms  first %+.3f ms  last %+.3f ms  (target < 50 ms)\n",
        ticks, double(worst) / 1000.0, first, last);
    return worst < 50'000 ? 0 : 1;
}
