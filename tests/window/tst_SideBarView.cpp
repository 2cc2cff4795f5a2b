#include "FindChild.h"
#include "StoreBuilders.h"

#include "StoreFile.h"

#include "app/KestrineCommands.h"
#include "updates/ui/SparkleUpdater.h"
#include "widgets/PlaceholderView.h"
#include "window/ui/AddCollectionBottomToolbarButtonView.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionRowView.h"
#include "window/ui/DeeplinkDetailView.h"
#include "window/ui/DeeplinkRowView.h"
#include "window/ui/DeeplinkSideBarListView.h"
#include "window/ui/SideBarView.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeView>

using namespace StoreBuilders;

namespace {

// The rows of the sidebar list as shown: section headers in brackets, then "badge name count".
QStringList shownRows(const QTreeView& list) {
    QStringList rows;
    auto* model = static_cast<FetchedResultsModel*>(list.model());
    for (int s = 0; s < model->rowCount(); ++s) {
        const QModelIndex section = model->index(s, 0);
        rows.append("[" + DeeplinkCollectionRowView::sectionTitle(model->sections().at(s).key) +
                    "]");
        for (int r = 0; r < model->rowCount(section); ++r) {
            auto* collection =
                static_cast<DeeplinkCollection*>(model->object(model->index(r, 0, section)));
            rows.append((DeeplinkCollectionRowView::badgeSymbol(*collection) + " " +
                         DeeplinkCollectionRowView::displayName(*collection) + " " +
                         DeeplinkCollectionRowView::countText(*collection))
                            .trimmed());
        }
    }
    return rows;
}

} // namespace

class tst_SideBarView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsPinnedFirstAndSelectsTheFirst() {
        Store store;
        DeeplinkCollection* older = store.collection("older", false, 10);
        store.deeplink(older, "one", "app://1");
        store.collection(QString(), false, std::nullopt)->setEmoji("🚀");
        store.collection("newer", false, 20);
        DeeplinkCollection* pinned = store.collection("pinned", true, 1);
        pinned->setEmoji("🛍️");
        older->setColor(1.5, -0.5, 0.5, 1.0); // out of range, as a hand-edited file may hold
        ColumSplitView split(&store.context, {});
        shown(split);

        auto* list = child<QTreeView>(&split, "collectionList");
        QCOMPARE(shownRows(*list), (QStringList{"[Pinned]", "pinned 0", "[My Collections]",
                                                "link newer 0", "link older 1", "NA 0"}));
        QCOMPARE(DeeplinkCollectionRowView::color(*older),
                 QColor::fromRgbF(1.0f, 0.0f, 0.5f, 1.0f));
        QCOMPARE(split.state()->selectedDeeplinkCollection(), pinned);

        // Keyboard: the section header is stepped over.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(split.state()->selectedDeeplinkCollection()->name(), QStringLiteral("newer"));
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(split.state()->selectedDeeplinkCollection(), pinned);

        AddCollectionBottomToolbarButtonView* button = split.sideBar()->addButton();
        button->click();
        QVERIFY(button->sheet()->navigationTitle().isEmpty()); // not the first-use sheet
    }

    void firstUseSheetOnAnEmptyStore() {
        Store store;
        ColumSplitView split(&store.context, {});
        shown(split);

        SideBarView* sideBar = split.sideBar();
        QVERIFY(sideBar->isAddCollectionViewPresented());
        QPointer<AddDeeplinkCollectionView> sheet =
            child<AddDeeplinkCollectionView>(sideBar->window(), "firstUseSheet");
        QCOMPARE(sheet->navigationTitle(), QStringLiteral("Add you first collection 🚀"));
        QCOMPARE(child<PlaceholderView>(sideBar, "noCollections")->text(),
                 QStringLiteral("Add deeplink collection by tapping below"));

        // The editor adds collections while the sheet is up; closing it selects the first one,
        // whichever was made.
        store.collection("made second", false, 1);
        DeeplinkCollection* first = store.collection("made first", true, 0);
        sheet->reject();
        QCOMPARE(split.state()->selectedDeeplinkCollection(), first);
        QTRY_VERIFY(!sheet);
        QVERIFY(!sideBar->isAddCollectionViewPresented());
    }

    void deleteActsOnTheSelection_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("withSelection");
        QTest::addRow("context menu") << "menu" << true;
        QTest::addRow("Delete key") << "key" << true;
        QTest::addRow("nothing selected") << "menu" << false;
    }
    void deleteActsOnTheSelection() {
        QFETCH(QString, how);
        QFETCH(bool, withSelection);
        Store store;
        DeeplinkCollection* selected = store.collection("selected", false, 2);
        store.deeplink(selected, "goes too", "app://gone");
        store.collection("clicked", false, 1);
        ColumSplitView split(&store.context, {});
        shown(split);
        auto* list = child<DeeplinkSideBarListView>(&split, "sideBarList");
        if (!withSelection)
            split.setSelectedDeeplinkCollection(nullptr);
        QCOMPARE(split.state()->selectedDeeplinkCollection(), withSelection ? selected : nullptr);

        if (how == "menu") {
            const QModelIndex row =
                split.sectionedCollection()->index(1, 0, split.sectionedCollection()->index(0, 0));
            std::unique_ptr<QMenu> menu = list->createContextMenu(row);
            QCOMPARE(menu->actions().front()->text(), QStringLiteral("Delete"));
            menu->actions().front()->trigger();
        } else {
            auto* tree = child<QTreeView>(list, "collectionList");
            tree->setFocus();
            QTest::keyClick(tree, Qt::Key_Delete);
        }

        QTRY_VERIFY(!store.context.hasChanges());
        QCOMPARE(StoreBuilders::listed(*split.sectionedCollection()),
                 withSelection ? QStringList{"clicked"} : (QStringList{"selected", "clicked"}));
        QCOMPARE(store.context.deeplinks().size(), withSelection ? 0 : 1);
        QCOMPARE(split.state()->selectedDeeplinkCollection(), nullptr);
    }

    // With the editor showing one of the collection's deeplinks, a deletion is one save: when it
    // fails, the collection, its deeplinks and the selection all come back. A store busy with
    // another process is no failure: the deletion waits for the retried save.
    void failedSaveOnDeleteRestoresEverything_data() {
        QTest::addColumn<bool>("deleteAll");
        QTest::addColumn<bool>("busy");
        QTest::addRow("sidebar delete") << false << false;
        QTest::addRow("Delete All") << true << false;
        QTest::addRow("sidebar delete, store busy") << false << true;
        QTest::addRow("Delete All, store busy") << true << true;
    }
    void failedSaveOnDeleteRestoresEverything() {
        QFETCH(bool, deleteAll);
        QFETCH(bool, busy);
        TestEnvironment env;
        StoreFile file(env);
        ManagedObjectContext& context = *file.context();
        DeeplinkCollection* kept = addCollection(context, "kept", false, 1);
        addDeeplink(context, kept, "first", "app://first");
        Deeplink* edited = addDeeplink(context, kept, "second", "app://second");
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        ColumSplitView split(&context, {});
        shown(split);
        QCOMPARE(split.state()->selectedDeeplinkCollection(), kept);
        split.state()->setSelectedDeeplink(edited);
        QTRY_VERIFY(split.findChild<DeeplinkDetailView*>());
        SparkleUpdater updater;
        KestrineCommands commands(file.container(), updater);
        const auto remove = [&] {
            if (deleteAll)
                commands.deleteAll();
            else
                child<QAction>(&split, "deleteCollection")->trigger();
        };

        if (busy) {
            QVERIFY(file.lockWrites());
            remove();
            QVERIFY(split.sectionedCollection()->isEmpty());
            QVERIFY(env.messages("coredata").isEmpty());
            file.unlockWrites();
            QTRY_VERIFY(!context.hasChanges());
            QVERIFY(file.reopen()->collections().isEmpty());
            return;
        }
        QVERIFY(file.refuseWrites());
        remove();
        QVERIFY(file.refuseWrites(false));
        if (!deleteAll) {
            const QStringList logged = env.messages("coredata");
            QCOMPARE(logged.size(), 1);
            QVERIFY2(logged.front().startsWith("Unresolved error "), qPrintable(logged.front()));
        }
        QVERIFY(!context.hasChanges());
        QCOMPARE(contents(context), (QStringList{"#kept", "kept/first", "kept/second"}));
        QCOMPARE(kept->deeplinksCount(), 2);
        QCOMPARE(split.state()->selectedDeeplinkCollection(), kept);
        QCOMPARE(split.state()->selectedDeeplink(), edited);
        QCOMPARE(StoreBuilders::listed(*split.sectionedCollection()), QStringList{"kept"});

        // Nothing was lost: the next attempt goes through, in one save and not piecemeal from
        // views that go away while the deletion is being announced.
        QSignalSpy saves(&context, &ManagedObjectContext::didSave);
        remove();
        QCOMPARE(saves.size(), 1);
        QVERIFY(split.sectionedCollection()->isEmpty());
        QVERIFY(file.reopen());
        QCOMPARE(contents(*file.context()), QStringList());
    }

    // Every word capitalised, the rest lower case; "NA" for no title.
    void deeplinkTitles_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::addRow("capitalised words") << "open the HOME screen"
                                           << "Open The Home Screen";
        QTest::addRow("apostrophes stay inside words") << "user's cart"
                                                       << "User's Cart";
        QTest::addRow("punctuation is part of a word") << "e-commerce (beta)"
                                                       << "E-commerce (beta)";
        QTest::addRow("accents") << "éLAN émoji"
                                 << "Élan Émoji";
        QTest::addRow("tabs and line breaks end words") << "one\ttwo\nTHREE"
                                                        << "One\tTwo\nThree";
        QTest::addRow("outside the BMP")
            << QString::fromUcs4(U"\U00010428x") << QString::fromUcs4(U"\U00010400x");
        QTest::addRow("no title") << QString() << "NA";
    }
    void deeplinkTitles() {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        Store store;
        Deeplink* deeplink = store.deeplink(store.collection("c"), title, "app://x");
        QCOMPARE(DeeplinkRowView::displayTitle(*deeplink), shown);
    }
};

QTEST_MAIN(tst_SideBarView)
#include "tst_SideBarView.moc"
