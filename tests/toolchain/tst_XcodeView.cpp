#include "FakeXcode.h"
#include "FindChild.h"
#include "TestEnvironment.h"

#include "toolchain/ui/XcodeChooser.h"
#include "toolchain/ui/XcodeView.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QtTest>

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
        // Stands in for the file dialog: counts how often it is shown, keeps the pending reply.
        int shown = 0;
        XcodeChooser::ChooserReply reply;
        xcodeChooser.setFileChooser([&](QWidget*, XcodeChooser::ChooserReply pending) {
            ++shown;
            reply = std::move(pending);
        });
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
        QCOMPARE(shown, 1);
        std::exchange(reply, {})(
            bundleIdentifier.isEmpty()
                ? std::nullopt
                : std::optional(XcodeViewModel::FileImportResult(QList<QUrl>{bundle.url()})));

        const QUrl resolved = QUrl::fromLocalFile(QFileInfo(bundle.path()).canonicalFilePath());
        QTRY_COMPARE(completed, bundleIdentifier == u"com.apple.dt.Xcode" ? QList<QUrl>{resolved}
                                                                          : QList<QUrl>{});
        QTRY_COMPARE(errors, alert.isEmpty() ? QStringList() : QStringList{alert});
        if (bundleIdentifier.isEmpty())
            QCOMPARE(xcodeChooser.viewModel().state(), XcodeViewModel::State::idle());
        // Asked again (from the menu, say), the chooser shows again whatever the last outcome.
        xcodeChooser.choose(nullptr);
        QCOMPARE(shown, 2);
        QCOMPARE(continued.size(), 0);
        child<QPushButton>(&view, "continueWithoutXcode")->click();
        QCOMPARE(continued.size(), 1);
    }

    void asksForBundleThePlatformsWay_data() {
        QTest::addColumn<bool>("bundlesAreFiles");
        QTest::addColumn<QFileDialog::FileMode>("fileMode");
        QTest::addColumn<bool>("appsOnly"); // the only name filter is "*.app"
        QTest::addColumn<bool>("directoriesOnly");
        QTest::addRow("bundles are files: an existing app")
            << true << QFileDialog::ExistingFile << true << false;
        QTest::addRow("bundles are directories: a directory")
            << false << QFileDialog::Directory << false << true;
    }

    void asksForBundleThePlatformsWay() {
        QFETCH(bool, bundlesAreFiles);
        QFETCH(QFileDialog::FileMode, fileMode);
        QFETCH(bool, appsOnly);
        QFETCH(bool, directoriesOnly);
        QFileDialog dialog;
        XcodeChooser::prepareDialog(dialog, bundlesAreFiles);
        QCOMPARE(dialog.fileMode(), fileMode);
        const QStringList filters = dialog.nameFilters();
        QCOMPARE(filters.size() == 1 && filters.first().endsWith(QStringLiteral("(*.app)")),
                 appsOnly);
        QCOMPARE(dialog.testOption(QFileDialog::ShowDirsOnly), directoriesOnly);
    }
};

QTEST_MAIN(tst_XcodeView)
#include "tst_XcodeView.moc"
