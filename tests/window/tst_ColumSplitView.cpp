#include "TestEnvironment.h"
#include "WindowFixture.h"

#include "store/DeeplinkQueries.h"
#include "widgets/PlaceholderView.h"
#include "widgets/SearchField.h"
#include "window/ColumSplitView.h"
#include "window/DeeplinkCollectionDetailView.h"
#include "window/RootSearchField.h"
#include "window/RootView.h"
#include "window/SideBarView.h"

#include <QAbstractItemModelTester>
#include <QTest>
#include <QToolButton>

using namespace WindowFixture;

namespace {

QStringList scopeLabels(const RootSearchField& field) {
    QStringList labels;
    for (QToolButton* button : field.scopeButtons())
        labels.append(button->text());
    return labels;
}

} // namespace

class tst_ColumSplitView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void collectionSearchFiltersTheSidebar_data();
    void collectionSearchFiltersTheSidebar();
    void scopeChangesClearTheFilterButKeepTheText();
    void deeplinkSearch_data();
    void deeplinkSearch();
    void columnsFollowTheSelections();
    void deletedSelectionsAreDropped();
    void windowTitleAndSidebarToggle();
};

void tst_ColumSplitView::collectionSearchFiltersTheSidebar_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("noResult");
    QTest::addRow("ignores case and diacritics") << "ab" << QStringList{"Äbc", "ABX"} << "";
    QTest::addRow("no match shows the message") << "zzz" << QStringList{} << "Unable to find zzz";
}

void tst_ColumSplitView::collectionSearchFiltersTheSidebar() {
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    QFETCH(QString, noResult);
    TestEnvironment env;
    ManagedObjectContext context;
    addCollection(context, "Äbc", false, 30);
    addCollection(context, "ABX", false, 20);
    addCollection(context, "xyz", false, 10);
    ColumSplitView split(&context, {});
    QAbstractItemModelTester tester(split.sectionedCollection());

    // Typed into the toolbar field, one character at a time.
    QTest::keyClicks(split.searchField()->field(), typed);
    QCOMPARE(WindowFixture::listed(*split.sectionedCollection()), listed);
    QCOMPARE(split.isShowingNoResult(), !noResult.isEmpty());
    if (!noResult.isEmpty())
        QCOMPARE(split.noResultView()->text(), noResult);

    // Clearing brings every collection back.
    split.searchField()->field()->selectAll();
    QTest::keyClick(split.searchField()->field(), Qt::Key_Backspace);
    QVERIFY(!split.isShowingNoResult());
    QCOMPARE(WindowFixture::listed(*split.sectionedCollection()).size(), 3);
}

void tst_ColumSplitView::scopeChangesClearTheFilterButKeepTheText() {
    TestEnvironment env;
    ManagedObjectContext context;
    addCollection(context, "Äbc", false, 30);
    addCollection(context, "ABX", false, 20);
    addCollection(context, "xyz", false, 10);
    ColumSplitView split(&context, {});
    RootSearchField& field = *split.searchField();
    QTest::keyClicks(field.field(), "ab");
    field.scopeButton("Deeplinks")->click();
    QCOMPARE(scopeLabels(field), (QStringList{"Collection", "Title", "Url"}));
    QCOMPARE(field.field()->text(), QStringLiteral("ab"));
    QCOMPARE(WindowFixture::listed(*split.sectionedCollection()).size(), 3);

    // Back to collections: still unfiltered until the next edit.
    field.scopeButton("Collection")->click();
    QCOMPARE(scopeLabels(field), (QStringList{"Collection", "Deeplinks"}));
    QCOMPARE(WindowFixture::listed(*split.sectionedCollection()).size(), 3);
    QTest::keyClick(field.field(), Qt::Key_X);
    QCOMPARE(WindowFixture::listed(*split.sectionedCollection()), QStringList{"ABX"});
}

void tst_ColumSplitView::deeplinkSearch_data() {
    QTest::addColumn<SearchRootScope>("scope");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("titles");
    const auto title = SearchRootScope::deeplink(DeeplinkScope::Title);
    const auto url = SearchRootScope::deeplink(DeeplinkScope::Url);
    QTest::addRow("title, case kept") << title << "Home" << QStringList{"Open Home"};
    QTest::addRow("url") << url << "shop://" << QStringList{"Open Home"};
    QTest::addRow("collection scope lists all, newest first")
        << SearchRootScope::collection() << "Home"
        << QStringList{"Item", "home screen", "Open Home"};
}

void tst_ColumSplitView::deeplinkSearch() {
    QFETCH(SearchRootScope, scope);
    QFETCH(QString, text);
    QFETCH(QStringList, titles);
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, "Links");
    addDeeplink(context, collection, "Open Home", "shop://home", 1);
    addDeeplink(context, collection, "home screen", "app://start", 2);
    addDeeplink(context, collection, "Item", "app://item?id=7", 3);
    ColumSplitView split(&context, {});
    split.setSelectedDeeplinkCollection(collection);
    DeeplinkCollectionDetailView* detail = split.detailView();
    QVERIFY(detail);

    split.setSelectedScope(scope);
    split.setSearchText(text);
    QCOMPARE(split.detailView(), detail); // the search narrows the list, it keeps the view
    QCOMPARE(WindowFixture::listed(*detail->model()), titles);
}

void tst_ColumSplitView::columnsFollowTheSelections() {
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* first = addCollection(context, "First", false, 2);
    DeeplinkCollection* second = addCollection(context, "Second", false, 1);
    Deeplink* link = addDeeplink(context, first, "Link", "app://link");
    ColumSplitView split(&context, {});

    auto* middle = qobject_cast<PlaceholderView*>(split.middleColumn());
    QVERIFY(middle);
    QCOMPARE(middle->text(), QStringLiteral("Select a deeplink collection"));
    auto* right = qobject_cast<PlaceholderView*>(split.rightColumn());
    QVERIFY(right);
    QCOMPARE(right->text(), QStringLiteral("Select a deeplink"));

    split.setSelectedDeeplinkCollection(first);
    QPointer<DeeplinkCollectionDetailView> firstDetail = split.detailView();
    split.setSelectedDeeplink(link);

    // Another collection: a fresh middle column and no deeplink of the old one.
    split.setSelectedDeeplinkCollection(second);
    QVERIFY(!firstDetail);
    QCOMPARE(split.detailView()->deeplinkCollection(), second);
    QCOMPARE(split.selectedDeeplink(), nullptr);
    QCOMPARE(split.sideBar()->selectedDeeplinkCollection(), second);
}

void tst_ColumSplitView::deletedSelectionsAreDropped() {
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, "Doomed");
    Deeplink* link = addDeeplink(context, collection, "Link", "app://link");
    ColumSplitView split(&context, {});
    split.setSelectedDeeplinkCollection(collection);
    split.setSelectedDeeplink(link);

    // As "Delete All" does it: straight on the context.
    for (ManagedObject* object : context.registeredObjects())
        context.deleteObject(object);
    QVERIFY(context.save());
    QCOMPARE(split.selectedDeeplink(), nullptr);
    QCOMPARE(split.selectedDeeplinkCollection(), nullptr);
    QVERIFY(qobject_cast<PlaceholderView*>(split.middleColumn()));
}

void tst_ColumSplitView::windowTitleAndSidebarToggle() {
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* named = addCollection(context, "Named", false, 2);
    DeeplinkCollection* nameless = addCollection(context, QString(), false, 1);
    RootView root(&context, {});
    root.resize(RootView::idealContentWidth, 800);
    root.show();
    QVERIFY(QTest::qWaitForWindowExposed(&root));
    ColumSplitView* split = root.splitView();
    // Shown: the first collection is selected and names the window.
    QCOMPARE(root.windowTitle(), QStringLiteral("Named"));
    split->setSelectedDeeplinkCollection(nameless);
    QCOMPARE(root.windowTitle(), QStringLiteral("Kestrine"));
    split->setSelectedDeeplinkCollection(named);
    named->setName("Live");
    QCOMPARE(root.windowTitle(), QStringLiteral("Live"));

    root.toggleSidebar();
    QVERIFY(split->widget(0)->isHidden());
    root.toggleSidebar();
    QVERIFY(!split->widget(0)->isHidden());
}

QTEST_MAIN(tst_ColumSplitView)
#include "tst_ColumSplitView.moc"
