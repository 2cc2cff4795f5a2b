#include "WindowFixture.h"

#include "widgets/PlaceholderView.h"
#include "widgets/SearchField.h"
#include "window/ColumSplitView.h"
#include "window/DeeplinkCollectionDetailView.h"
#include "window/DeeplinkDetailView.h"
#include "window/RootSearchField.h"
#include "window/RootView.h"
#include "window/SideBarView.h"

#include <QToolButton>

using namespace WindowFixture;

namespace {

QStringList scopeLabels(const RootSearchField& field) {
    QStringList labels;
    for (QToolButton* button : field.scopeButtons())
        labels.append(button->text());
    return labels;
}

QString placeholderText(QWidget* column) {
    auto* placeholder = qobject_cast<PlaceholderView*>(column);
    return placeholder ? placeholder->text() : QString();
}

} // namespace

// The columns as views of the window state; the state's rules have their own test.
class tst_ColumSplitView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchFieldAndSidebarFollowTheState();
    void columnsFollowTheSelections();
    void windowTitleAndSidebarToggle();
};

void tst_ColumSplitView::searchFieldAndSidebarFollowTheState() {
    Store store;
    store.collection("Äbc", false, 30);
    ColumSplitView split(&store.context, {});
    RootSearchField& field = *split.searchField();

    // Typed into the toolbar field, one character at a time.
    QTest::keyClicks(field.field(), "zzz");
    QCOMPARE(split.state()->searchText(), QStringLiteral("zzz"));
    QVERIFY(split.isShowingNoResult());
    QCOMPARE(split.noResultView()->text(), QStringLiteral("Unable to find zzz"));
    QCOMPARE(scopeLabels(field), (QStringList{"Collection", "Deeplinks"}));

    field.scopeButton("Deeplinks")->click();
    QCOMPARE(scopeLabels(field), (QStringList{"Collection", "Title", "Url"}));
    QVERIFY(split.state()->selectedScope().isDeeplink());
    QCOMPARE(field.field()->text(), QStringLiteral("zzz"));
    QVERIFY(!split.isShowingNoResult());

    // A write from elsewhere shows in the field.
    split.setSelectedScope(SearchRootScope::collection());
    split.setSearchText("äb");
    QCOMPARE(scopeLabels(field), (QStringList{"Collection", "Deeplinks"}));
    QCOMPARE(field.field()->text(), QStringLiteral("äb"));
    QVERIFY(!split.isShowingNoResult());
}

void tst_ColumSplitView::columnsFollowTheSelections() {
    Store store;
    DeeplinkCollection* first = store.collection("First", false, 2);
    DeeplinkCollection* second = store.collection("Second", false, 1);
    Deeplink* link = store.deeplink(first, "Link", "app://link", 1);
    store.deeplink(first, "Other", "app://other", 2);
    ColumSplitView split(&store.context, {});
    QCOMPARE(placeholderText(split.middleColumn()), QStringLiteral("Select a deeplink collection"));
    QCOMPARE(placeholderText(split.rightColumn()), QStringLiteral("Select a deeplink"));

    split.setSelectedDeeplinkCollection(first);
    QPointer<DeeplinkCollectionDetailView> detail = split.detailView();
    QCOMPARE(split.middleColumn(), detail.data());
    split.setSelectedDeeplink(link);
    QCOMPARE(detail->selectedDeeplink(), link);
    auto* editor = qobject_cast<DeeplinkDetailView*>(split.rightColumn());
    QVERIFY(editor);
    QCOMPARE(editor->deeplink(), link);

    // The search narrows the list and keeps the view.
    split.setSelectedScope(SearchRootScope::deeplink(DeeplinkScope::Title));
    split.setSearchText("Oth");
    QCOMPARE(split.detailView(), detail.data());
    QCOMPARE(WindowFixture::listed(*detail->model()), QStringList{"Other"});

    // Another collection: a fresh middle column and no deeplink of the old one.
    split.setSelectedDeeplinkCollection(second);
    QVERIFY(!detail);
    QCOMPARE(split.detailView()->deeplinkCollection(), second);
    QCOMPARE(split.sideBar()->selectedDeeplinkCollection(), second);
    QCOMPARE(placeholderText(split.rightColumn()), QStringLiteral("Select a deeplink"));

    // As "Delete All" does it: straight on the context.
    for (ManagedObject* object : store.context.registeredObjects())
        store.context.deleteObject(object);
    QVERIFY(store.context.save());
    QCOMPARE(split.sideBar()->selectedDeeplinkCollection(), nullptr);
    QCOMPARE(placeholderText(split.middleColumn()), QStringLiteral("Select a deeplink collection"));
}

void tst_ColumSplitView::windowTitleAndSidebarToggle() {
    Store store;
    DeeplinkCollection* named = store.collection("Named");
    RootView root(&store.context, {});
    root.resize(RootView::idealContentWidth, 800);
    shown(root);
    // Shown: the first collection is selected and names the window.
    QCOMPARE(root.windowTitle(), QStringLiteral("Named"));
    named->setName("Live");
    QCOMPARE(root.windowTitle(), QStringLiteral("Live"));

    ColumSplitView* split = root.splitView();
    root.toggleSidebar();
    QVERIFY(split->widget(0)->isHidden());
    root.toggleSidebar();
    QVERIFY(!split->widget(0)->isHidden());
}

QTEST_MAIN(tst_ColumSplitView)
#include "tst_ColumSplitView.moc"
