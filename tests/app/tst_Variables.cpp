#include "AppFixture.h"
#include "PromptAnswer.h"

#include "platform/AppSettings.h"
#include "store/FiringHistory.h"
#include "store/VariableSettings.h"
#include "window/ui/FiringStatusLine.h"
#include "window/ui/QrCodeDialog.h"
#include "window/ui/QuickOpenBar.h"
#include "window/ui/VariableTable.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using Tool = FakeXcode::Tool;

namespace {

// "name=value" texts as variables.
QList<Variable> variables(const QStringList& pairs) {
    QList<Variable> list;
    for (const QString& pair : pairs)
        list.append({pair.section(u'=', 0, 0), pair.section(u'=', 1)});
    return list;
}

// The window on a store with one collection ("Shop") holding one deeplink with `url`; the
// collection's active environment ("Staging") holds `environment`, the settings `globals` and
// the prompt's `lastValues`.
struct Window : AppFixture {
    explicit Window(const QString& url, const QStringList& environment = {},
                    const QStringList& globals = {}, const QStringList& lastValues = {}) {
        VariableSettings::setGlobals(*AppSettings::standard(), variables(globals));
        VariableSettings::rememberValues(*AppSettings::standard(), variables(lastValues));
        shop = fill(QStringLiteral("Shop"));
        shop->setEnvironments({{QStringLiteral("Staging"), variables(environment)}});
        shop->setActiveEnvironment(QStringLiteral("Staging"));
        item = StoreBuilders::addDeeplink(context(), shop, QStringLiteral("Item"), url);
        save();
        start();
    }
    void restart() {
        app.reset();
        start();
    }
    void execute() const {
        root()->splitView()->setSelectedDeeplinkCollection(shop);
        root()->splitView()->state()->setSelectedDeeplink(item);
        menuItem(*app, u"Execute")->trigger();
    }
    // The URLs handed to the simulator so far.
    [[nodiscard]] QStringList opened() const { return xcode.openedUrls(); }
    // The URLs the History holds, newest first: a firing is over once it is there.
    [[nodiscard]] QStringList recorded() const {
        QStringList urls;
        for (const FiringRecord& record : store.container().history()->latest())
            urls.append(record.url);
        return urls;
    }

    DeeplinkCollection* shop = nullptr;
    Deeplink* item = nullptr;
};

// Types `text` into the table's cell at `row`, `column` as a user: F2, the text, Return.
void typeInto(QTableWidget* table, int row, int column, const QString& text) {
    table->setCurrentCell(row, column);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(table->indexWidget(table->model()->index(row, column)));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits the text once back in the event loop.
    QTRY_COMPARE(table->item(row, column)->text(), text);
}

} // namespace

class tst_Variables : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Execute fills the stored URL from the collection's active environment, then the global
    // variables, and fires that URL: the tool, the History and the QR code see it. A value
    // no URL can hold fires nothing and comes back as the failure's alert.
    void executeFillsFromEnvironmentThenGlobals_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("globals");
        QTest::addColumn<QString>("fired"); // "": nothing
        QTest::addColumn<QString>("error");
        QTest::addRow("environment wins, globals fill the rest")
            << "shop://{{host}}/item?id={{id}}" << QStringList{"host=staging.shop"}
            << QStringList{"host=shop.example", "id=a b&c"}
            << "shop://staging.shop/item?id=a%20b%26c"
            << "";
        QTest::addRow("a value the scheme refuses")
            << "{{scheme}}://x" << QStringList() << QStringList{"scheme=my app"} << ""
            << "{{scheme}} holds \u201cmy app\u201d, which cannot stand in a URL\u2019s scheme.";
    }
    void executeFillsFromEnvironmentThenGlobals() {
        QFETCH(QString, url);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, globals);
        QFETCH(QString, fired);
        QFETCH(QString, error);
        Window w(url, environment, globals);
        const auto answer = answerPrompt();
        w.execute();
        QVERIFY(!answer->shown);
        if (fired.isEmpty()) {
            QTRY_VERIFY(w.app->error().has_value());
            QCOMPARE(w.app->error()->value, error);
            QVERIFY(w.root()->statusLine()->text().contains(error));
            QCOMPARE(w.recorded(), QStringList());
            QCOMPARE(w.opened(), QStringList());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(w.opened(), QStringList{fired}, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(w.recorded(), QStringList{fired}, 20000);
        QVERIFY(!w.app->error());
        // The QR code holds the URL Execute fires.
        menuItem(*w.app, u"Show QR Code")->trigger();
        const auto* qr = w.app->window()->findChild<QrCodeDialog*>();
        QVERIFY(qr);
        QCOMPARE(child<QLabel>(qr, "url")->text(), fired);
    }

    // A variable without a value brings up the prompt, filled with the last values typed (also
    // after a restart); a value the host refuses keeps it open and says why; Cancel fires
    // nothing.
    void promptAsksRemembersAndCancels() {
        Window w(QStringLiteral("shop://{{host}}/item/{{id}}"), {}, {}, {"id=7"});
        auto answer = answerPrompt({{"a b", "8"}, {"shop.example", "8"}});
        w.execute();
        QVERIFY(answer->shown);
        QCOMPARE(answer->asked, (QStringList{"host", "id"}));
        QCOMPARE(answer->offered, (QStringList{"", "7"}));
        QVERIFY(answer->firstFocused);
        QCOMPARE(answer->problems,
                 QStringList{
                     "{{host}} holds \u201ca b\u201d, which cannot stand in a URL\u2019s host."});
        QTRY_COMPARE_WITH_TIMEOUT(w.recorded(), QStringList{"shop://shop.example/item/8"}, 20000);
        QCOMPARE(w.opened(), QStringList{"shop://shop.example/item/8"});

        w.restart();
        answer = answerPrompt();
        w.execute();
        QVERIFY(answer->shown);
        QCOMPARE(answer->offered, (QStringList{"shop.example", "8"}));
        answer = answerPrompt({{"shop.example", "9"}});
        w.execute();
        // Had the cancelled one gone out, it would come between them.
        QTRY_COMPARE_WITH_TIMEOUT(
            w.recorded(), (QStringList{"shop://shop.example/item/9", "shop://shop.example/item/8"}),
            20000);
        QVERIFY(!w.app->error());
    }

    // Global variables edited in Preferences are stored at once (a name that is none is shown
    // as such and left out) and reach Execute and Quick Open, which keeps the typed URL.
    void preferencesGlobalsReachFirings() {
        Window w(QStringLiteral("shop://{{host}}/p"));
        w.app->showPreferences();
        PreferencesDialog* dialog = preferences(*w.app);
        auto* table = child<QTableWidget>(dialog, "variableTable");
        auto* problem = child<QLabel>(dialog, "variableProblem");
        QCOMPARE(table->accessibleName(), QStringLiteral("Global variables"));
        QCOMPARE(child<QPushButton>(dialog, "addVariable")->accessibleName(),
                 QStringLiteral("Add Variable"));

        QTest::mouseClick(child<QPushButton>(dialog, "addVariable"), Qt::LeftButton);
        typeInto(table, 0, 0, QStringLiteral("1host"));
        typeInto(table, 0, 1, QStringLiteral("shop.example"));
        QVERIFY(problem->isVisible());
        QVERIFY(problem->text().endsWith(u" It is not saved."));
        QCOMPARE(VariableSettings::globals(*AppSettings::standard()), QList<Variable>());
        typeInto(table, 0, 0, QStringLiteral("host"));
        QVERIFY(!problem->isVisible());
        QCOMPARE(VariableSettings::globals(*AppSettings::standard()),
                 variables({"host=shop.example"}));
        QVERIFY(dialog->isVisible()); // Return ended the edits, not Preferences
        dialog->close();

        w.execute();
        QTRY_COMPARE_WITH_TIMEOUT(w.recorded(), QStringList{"shop://shop.example/p"}, 20000);
        QuickOpenBar* bar = w.root()->quickOpen();
        bar->open();
        auto* field = child<QLineEdit>(bar, "quickOpenField");
        QTest::keyClicks(field, QStringLiteral("shop://{{host}}/q"));
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(
            w.recorded(), (QStringList{"shop://shop.example/q", "shop://shop.example/p"}), 20000);
        QCOMPARE(w.opened().last(), QStringLiteral("shop://shop.example/q"));
        QCOMPARE(QuickOpenBar::recentUrls().value(0), QStringLiteral("shop://{{host}}/q"));

        w.app->showPreferences();
        dialog = preferences(*w.app);
        table = child<QTableWidget>(dialog, "variableTable");
        QCOMPARE(table->rowCount(), 1);
        table->setCurrentCell(0, 0);
        QTest::mouseClick(child<QPushButton>(dialog, "removeVariable"), Qt::LeftButton);
        QCOMPARE(VariableSettings::globals(*AppSettings::standard()), QList<Variable>());
    }
};

QTEST_MAIN(tst_Variables)
#include "tst_Variables.moc"
