#include "FakeXcode.h"
#include "FindChild.h"
#include "TestEnvironment.h"

#include "toolchain/ui/XcodeChooser.h"
#include "toolchain/ui/XcodeView.h"

#include <QFileInfo>
#include <QPushButton>
#include <QtTest>

namespace {

// Stands in for the file dialog: counts how often it is shown and keeps the pending reply.
struct ScriptedChooser {
    int shown = 0;
    XcodeChooser::ChooserReply pending;

    void install(XcodeChooser& chooser) {
        chooser.setFileChooser([this](QWidget*, XcodeChooser::ChooserReply reply) {
            ++shown;
            pending = std::move(reply);
        });
    }
    void answer(std::optional<XcodeViewModel::FileImportResult> outcome) {
        std::exchange(pending, {})(std::move(outcome));
    }
};

} // namespace

class tst_XcodeView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersTheChooser_data() {
        QTest::addColumn<QString>("bundleIdentifier"); // of the chosen bundle; empty: cancelled
        QTest::addColumn<QString>("alert");            // the error reported, if any

        QTest::addRow("Xcode completes") << "com.apple.dt.Xcode"
                                         << "";
        QTest::addRow("another app shows an error alert") << "com.apple.Safari"
                                                          << "Invalid binary";
        QTest::addRow("cancelled chooser returns to idle") << ""
                                                           << "";
    }

    void answersTheChooser() {
        QFETCH(QString, bundleIdentifier);
        QFETCH(QString, alert);
        TestEnvironment env;
        FakeXcode bundle(env.path());
        if (!bundleIdentifier.isEmpty())
            bundle.writeInfoPlist(bundleIdentifier);
        XcodeChooser xcodeChooser;
        XcodeView view(xcodeChooser);
        ScriptedChooser chooser;
        chooser.install(xcodeChooser);
        QList<QUrl> completed;
        connect(&xcodeChooser, &XcodeChooser::chosen, this,
                [&completed](const QUrl& url) { completed.append(url); });
        QStringList errors;
        connect(&xcodeChooser, &XcodeChooser::errorOccurred, this,
                [&errors](const ErrorMessage& error) { errors.append(error.value); });
        QSignalSpy continued(&view, &XcodeView::continueWithoutXcodeRequested);
        view.show();

        QTest::mouseClick(child<QPushButton>(&view, "selectXcode"), Qt::LeftButton);
        // One chooser at a time, however often the button is pressed.
        child<QPushButton>(&view, "selectXcode")->click();
        QCOMPARE(chooser.shown, 1);
        if (bundleIdentifier.isEmpty())
            chooser.answer(std::nullopt);
        else
            chooser.answer(XcodeViewModel::FileImportResult(QList<QUrl>{bundle.url()}));

        const bool completes = bundleIdentifier == u"com.apple.dt.Xcode";
        const QUrl resolved = QUrl::fromLocalFile(QFileInfo(bundle.path()).canonicalFilePath());
        QTRY_COMPARE(completed, completes ? QList<QUrl>{resolved} : QList<QUrl>{});
        QTRY_COMPARE(errors, alert.isEmpty() ? QStringList() : QStringList{alert});
        if (bundleIdentifier.isEmpty())
            QCOMPARE(xcodeChooser.viewModel().state(), XcodeViewModel::State::idle());
        // Asked again (from the menu, say), the chooser shows again whatever the last outcome.
        xcodeChooser.choose(nullptr);
        QCOMPARE(chooser.shown, 2);
        QCOMPARE(continued.size(), 0);
        child<QPushButton>(&view, "continueWithoutXcode")->click();
        QCOMPARE(continued.size(), 1);
    }
};

QTEST_MAIN(tst_XcodeView)
#include "tst_XcodeView.moc"
