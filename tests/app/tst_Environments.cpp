#include "AppFixture.h"

#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/CreateDeeplinkCollectionMetaDataView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/EnvironmentsEditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace {

// Types `text` over what the cell editor with the focus holds and commits it with Return.
bool type(const QString& text) {
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!field)
        return false;
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    return QTest::qWaitFor([field] { return QApplication::focusWidget() != field; });
}

// The Shop collection's environments and active one as the store file holds them.
QPair<QList<Environment>, QString> stored(AppFixture& f) {
    f.app.reset();
    const ManagedObjectContext* reopened = f.store.reopen();
    const DeeplinkCollection* shop =
        reopened ? StoreBuilders::collectionNamed(*reopened, QStringLiteral("Shop")) : nullptr;
    if (!shop)
        return {};
    return {shop->environments(), shop->activeEnvironment()};
}

} // namespace

class tst_Environments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Environments edited as a user would (added and named in place, a table filled, a value
    // marked raw, renamed, moved, removed) are saved with the collection and are there after a
    // restart, the renamed active one still active; the header's picker then chooses another,
    // which is remembered too.
    void editedAndChosenEnvironmentsSurviveRestarts() {
        AppFixture f;
        DeeplinkCollection* shop = f.fill(QStringLiteral("Shop"), 1);
        shop->setEnvironments(
            {{.name = QStringLiteral("Old"),
              .variables = {{.name = QStringLiteral("id"), .value = QStringLiteral("1")}}}});
        shop->setActiveEnvironment(QStringLiteral("Old"));
        f.save();
        f.start();
        f.root()->splitView()->setSelectedDeeplinkCollection(shop);
        menuItem(*f.app, u"Edit Collection\u2026")->trigger();
        AddDeeplinkCollectionView* sheet = nullptr;
        for (auto* open : f.app->window()->findChildren<AddDeeplinkCollectionView*>()) {
            if (open->isVisible())
                sheet = open;
        }
        QVERIFY(sheet);
        // Without a window manager nothing activates a new window by itself.
        sheet->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), sheet);
        auto* editor = sheet->findChild<EnvironmentsEditor*>();
        QListWidget* list = editor->list();
        QTableWidget* table = editor->table();
        const auto click = [editor](const char* button) {
            QTest::mouseClick(child<QAbstractButton>(editor, button), Qt::LeftButton);
        };

        // Return ends the name being typed, not the sheet.
        click("addEnvironment");
        QVERIFY(type(QStringLiteral("Staging")));
        QVERIFY(sheet->isVisible());
        click("addVariable");
        QVERIFY(type(QStringLiteral("host")));
        table->setCurrentCell(0, 1);
        QTest::keyClick(table, Qt::Key_F2);
        QVERIFY(type(QStringLiteral("staging.example.com")));
        table->setCurrentCell(0, 2);
        QTest::keyClick(table, Qt::Key_Space);
        click("addEnvironment");
        QVERIFY(type(QStringLiteral("Production")));

        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_F2);
        QVERIFY(type(QStringLiteral("Legacy")));
        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        click("addEnvironment");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(sheet->isVisible());
        QCOMPARE(list->count(), 4);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->count(), 3);
        QTest::mouseClick(sheet->findChild<CreateDeeplinkCollectionMetaDataView*>()->addButton(),
                          Qt::LeftButton);

        const QList<Environment> saved{
            {.name = QStringLiteral("Legacy"),
             .variables = {{.name = QStringLiteral("id"), .value = QStringLiteral("1")}}},
            {.name = QStringLiteral("Production"), .variables = {}},
            {.name = QStringLiteral("Staging"),
             .variables = {{.name = QStringLiteral("host"),
                            .value = QStringLiteral("staging.example.com"),
                            .raw = true}}}};
        const auto afterEdit = stored(f);
        QCOMPARE(afterEdit.first, saved);
        QCOMPARE(afterEdit.second, QStringLiteral("Legacy"));

        f.start();
        f.root()->splitView()->setSelectedDeeplinkCollection(
            StoreBuilders::collectionNamed(f.context(), QStringLiteral("Shop")));
        DeeplinkCollectionDetailView* detail = f.root()->splitView()->detailView();
        QCOMPARE(detail->environmentTitle(), QStringLiteral("Legacy"));
        Q_EMIT detail->environmentMenu()->aboutToShow();
        // After No Environment, Legacy and Production.
        detail->environmentMenu()->actions().at(3)->trigger();
        QCOMPARE(detail->environmentTitle(), QStringLiteral("Staging"));
        QCOMPARE(stored(f).second, QStringLiteral("Staging"));
    }
};

QTEST_MAIN(tst_Environments)
#include "tst_Environments.moc"
