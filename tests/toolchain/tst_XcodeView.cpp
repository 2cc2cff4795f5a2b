#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "toolchain/XcodeView.h"

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

// Stands in for the file dialog: counts how often it is shown and keeps the pending reply.
struct ScriptedChooser {
    int shown = 0;
    XcodeView::ChooserReply pending;

    void install(XcodeView& view) {
        view.setFileChooser([this](QWidget*, XcodeView::ChooserReply reply) {
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
    void choosingXcodeCompletes();
    void invalidChoiceShowsErrorAlert();
    void cancelledChooserReturnsToIdle();
};

void tst_XcodeView::choosingXcodeCompletes() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    QList<QUrl> completed;
    XcodeView view([&completed](const QUrl& url) { completed.append(url); });
    ScriptedChooser chooser;
    chooser.install(view);
    view.show();
    QCOMPARE(view.findChild<QLabel*>()->text(), QStringLiteral("Select the Xcode path"));
    QCOMPARE(view.selectButton()->text(), QStringLiteral("Select Xcode"));

    QTest::mouseClick(view.selectButton(), Qt::LeftButton);
    // One chooser at a time, however often the button is pressed.
    view.selectButton()->click();
    QCOMPARE(chooser.shown, 1);

    chooser.answer(XcodeViewModel::FileImportResult(QList<QUrl>{xcode.url()}));

    const QUrl resolved = QUrl::fromLocalFile(QFileInfo(xcode.path()).canonicalFilePath());
    QTRY_COMPARE(completed, QList<QUrl>{resolved});
    QVERIFY(!view.alert());
}

void tst_XcodeView::invalidChoiceShowsErrorAlert() {
    TestEnvironment env;
    FakeXcode notXcode(env.path());
    notXcode.writeInfoPlist(QStringLiteral("com.apple.Safari"));
    int completions = 0;
    XcodeView view([&completions](const QUrl&) { ++completions; });
    ScriptedChooser chooser;
    chooser.install(view);
    view.show();

    view.selectButton()->click();
    chooser.answer(XcodeViewModel::FileImportResult(QList<QUrl>{notXcode.url()}));

    QTRY_VERIFY(view.alert() && view.alert()->isVisible());
    QCOMPARE(view.alert()->windowTitle(), QStringLiteral("Error"));
    QCOMPARE(view.alert()->text(), QStringLiteral("Invalid binary"));
    QCOMPARE(completions, 0);

    view.alert()->button(QMessageBox::Ok)->click();
    QCOMPARE(view.errorMessage(), std::nullopt);
}

void tst_XcodeView::cancelledChooserReturnsToIdle() {
    TestEnvironment env;
    XcodeView view({});
    ScriptedChooser chooser;
    chooser.install(view);

    view.selectButton()->click();
    chooser.answer(std::nullopt);

    QCOMPARE(view.viewModel().state(), XcodeViewModel::State::idle());
    QVERIFY(!view.alert());
    view.selectButton()->click();
    QCOMPARE(chooser.shown, 2);
}

QTEST_MAIN(tst_XcodeView)
#include "tst_XcodeView.moc"
