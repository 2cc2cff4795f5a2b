#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "platform/AppError.h"
#include "platform/TaskOutcome.h"
#include "toolchain/XcodeViewModel.h"

#include <QDir>
#include <QFileInfo>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

namespace {

using State = XcodeViewModel::State;
using Error = std::optional<AppError>;

} // namespace

class tst_XcodeViewModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void importsChosenBundle_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("verifies");
        QTest::addColumn<Error>("error"); // none: imported

        const AppError invalid(QStringLiteral("XcodeViewModel"), 1,
                               QStringLiteral("Invalid binary"));
        QTest::addRow("Xcode") << "xcode" << true << Error();
        QTest::addRow("identifier in other case") << "case" << true << Error(invalid);
        QTest::addRow("folder without Info.plist") << "noplist" << true << Error(invalid);
        QTest::addRow("chooser reported an error")
            << "chooserError" << false
            << Error(AppError(QStringLiteral("NSCocoaErrorDomain"), 260,
                              QStringLiteral("The chooser failed.")));
        QTest::addRow("chooser returned nothing")
            << "empty" << false
            << Error(AppError(QStringLiteral("XcodeViewModel"), 0,
                              QStringLiteral("No file URL found")));
        QTest::addRow("chosen item vanished")
            << "vanished" << false
            << Error(AppError(QStringLiteral("Bookmark"), 4,
                              QStringLiteral("The file “Xcode.app” couldn’t be opened because "
                                             "there is no such file.")));
    }

    void importsChosenBundle() {
        QFETCH(QString, setup);
        QFETCH(bool, verifies);
        QFETCH(Error, error);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QUrl resolved = QUrl::fromLocalFile(QFileInfo(xcode.path()).canonicalFilePath());
        XcodeViewModel::FileImportResult result = QList<QUrl>{xcode.url()};
        if (setup == u"case")
            xcode.writeInfoPlist(QStringLiteral("com.apple.dt.xcode"));
        else if (setup == u"noplist")
            xcode.removeInfoPlist();
        else if (setup == u"chooserError")
            result = std::make_exception_ptr(*error);
        else if (setup == u"empty")
            result = QList<QUrl>{};
        else if (setup == u"vanished")
            QVERIFY(QDir(xcode.path()).removeRecursively());

        XcodeViewModel model;
        model.setState(State::importingFile());
        QList<State> states;
        connect(&model, &XcodeViewModel::stateChanged, this,
                [&states, &model] { states.append(model.state()); });
        QVERIFY(!waitForOutcome(model.handleFileImport(result)).failed());

        QList<State> expected;
        if (verifies)
            expected.append(State::verifying(resolved));
        expected.append(error ? State::importError(*error) : State::fileImported(resolved));
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
        const XcodeViewModel::StateKind whileChecking = model.state().kind;
        model.setState(State::importingFile());
        gate.release(threads);
        QCOMPARE(whileChecking, XcodeViewModel::StateKind::Verifying);
        QVERIFY(!waitForOutcome(std::move(first)).failed());
        QCOMPARE(model.state(), State::importingFile());
    }
};

QTEST_GUILESS_MAIN(tst_XcodeViewModel)
#include "tst_XcodeViewModel.moc"
