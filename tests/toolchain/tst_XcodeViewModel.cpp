#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "platform/AppError.h"
#include "platform/TaskOutcome.h"
#include "toolchain/XcodeViewModel.h"

#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

namespace {

using Kind = XcodeViewModel::StateKind;
using State = XcodeViewModel::State;

} // namespace

class tst_XcodeViewModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void importsChosenBundle_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("verifies");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<QString>("errorDomain");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("errorDescription");

        const QString invalid = QStringLiteral("Invalid binary");
        QTest::addRow("Xcode") << "xcode" << true << true << "" << 0 << "";
        QTest::addRow("identifier in other case")
            << "case" << true << false << "XcodeViewModel" << 1 << invalid;
        QTest::addRow("folder without Info.plist")
            << "noplist" << true << false << "XcodeViewModel" << 1 << invalid;
        QTest::addRow("chooser reported an error")
            << "chooserError" << false << false << "NSCocoaErrorDomain" << 260
            << "The chooser failed.";
        QTest::addRow("chooser returned nothing")
            << "empty" << false << false << "XcodeViewModel" << 0 << "No file URL found";
        QTest::addRow("chosen item vanished")
            << "vanished" << false << false << "Bookmark" << 4
            << "The file “Xcode.app” couldn’t be opened because there is no such file.";
    }

    void importsChosenBundle() {
        QFETCH(QString, setup);
        QFETCH(bool, verifies);
        QFETCH(bool, passes);
        QFETCH(QString, errorDomain);
        QFETCH(int, errorCode);
        QFETCH(QString, errorDescription);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        XcodeViewModel::FileImportResult result = QList<QUrl>{xcode.url()};
        if (setup == QStringLiteral("case"))
            xcode.writeInfoPlist(QStringLiteral("com.apple.dt.xcode"));
        else if (setup == QStringLiteral("noplist"))
            xcode.removeInfoPlist();
        else if (setup == QStringLiteral("chooserError"))
            result = std::make_exception_ptr(AppError(QStringLiteral("NSCocoaErrorDomain"), 260,
                                                      QStringLiteral("The chooser failed.")));
        else if (setup == QStringLiteral("empty"))
            result = QList<QUrl>{};
        else if (setup == QStringLiteral("vanished"))
            QVERIFY(QDir(xcode.path()).removeRecursively());

        XcodeViewModel model;
        model.setState(State::importingFile());
        QList<State> states;
        connect(&model, &XcodeViewModel::stateChanged, this,
                [&states, &model] { states.append(model.state()); });

        QVERIFY(!waitForOutcome(model.handleFileImport(result)).failed());

        const QUrl resolved = QUrl::fromLocalFile(QFileInfo(xcode.path()).canonicalFilePath());
        QList<State> expected;
        if (verifies)
            expected.append(State::verifying(resolved));
        if (passes) {
            expected.append(State::fileImported(resolved));
        } else {
            State error = State::importError(AppError(errorDomain, errorCode, errorDescription));
            expected.append(error);
        }
        QCOMPARE(states, expected);
    }

    void newerChoiceWins() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        XcodeViewModel model;

        // The first check is still running when the user opens the chooser again: its late
        // result must not close the chooser or report a bundle the user moved on from. The
        // worker threads are held meanwhile; a check that finished at once would prove nothing.
        QSemaphore gate;
        QThreadPool* pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        for (int i = 0; i < threads; ++i)
            pool->start([&gate] { gate.acquire(); });
        QCoro::Task<> first = model.handleFileImport(QList<QUrl>{xcode.url()});
        const Kind whileChecking = model.state().kind;
        model.setState(State::importingFile());
        gate.release(threads);
        QCOMPARE(whileChecking, Kind::Verifying);
        QVERIFY(!waitForOutcome(std::move(first)).failed());

        QCOMPARE(model.state(), State::importingFile());
    }
};

QTEST_GUILESS_MAIN(tst_XcodeViewModel)
#include "tst_XcodeViewModel.moc"
