#include "TestEnvironment.h"
#include "WindowFixture.h"

#include "store/DeeplinkQueries.h"
#include "widgets/PlaceholderView.h"
#include "window/ColumSplitView.h"
#include "window/DeeplinkCollectionDetailView.h"

#include <QAction>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace WindowFixture;

namespace {

std::unique_ptr<DeeplinkCollectionDetailView>
detailFor(ManagedObjectContext& context, DeeplinkCollection* collection, OpenUrlAction openUrl = {},
          const QString& text = {}, SearchRootScope scope = {}) {
    DeeplinkQueries::TextField field = DeeplinkQueries::TextField::None;
    if (scope.isDeeplink())
        field = scope.deeplinkScope() == DeeplinkScope::Title ? DeeplinkQueries::TextField::Title
                                                              : DeeplinkQueries::TextField::Url;
    return std::make_unique<DeeplinkCollectionDetailView>(
        &context, collection, text, scope,
        DeeplinkQueries::deeplinks(collection->uid(), field, text), std::move(openUrl));
}

} // namespace

class tst_DeeplinkCollectionDetailView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleAndSubtitle_data();
    void titleAndSubtitle();
    void emptyStateAddsAndSelectsADeeplink();
    void emptyAndNoResultStates_data();
    void emptyAndNoResultStates();
    void executeGoesThroughTheOpenUrlAction();
    void pinMovesTheCollectionAtOnce();
    void savesWhenItGoesAway();
};

void tst_DeeplinkCollectionDetailView::titleAndSubtitle_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("deeplinks");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("subtitle");
    const auto add = [](const char* name, QString collection, int deeplinks, QString title,
                        QString subtitle) {
        QTest::addRow("%s", name) << collection << deeplinks << title << subtitle;
    };
    add("nameless", QString(), 0, "Kestrine", "0 Deeplinks");
    add("count in the user's locale", "Big", 1200, "Big", "1,200 Deeplinks");
}

void tst_DeeplinkCollectionDetailView::titleAndSubtitle() {
    QFETCH(QString, name);
    QFETCH(int, deeplinks);
    QFETCH(QString, title);
    QFETCH(QString, subtitle);
    TestEnvironment env;
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, name);
    for (int i = 0; i < deeplinks; ++i)
        addDeeplink(context, collection, "d", "app://d", i);
    auto detail = detailFor(context, collection);
    QLocale::setDefault(saved);
    QCOMPARE(detail->title(), title);
    QCOMPARE(detail->subtitle(), subtitle);
}

void tst_DeeplinkCollectionDetailView::emptyStateAddsAndSelectsADeeplink() {
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, "Empty");
    auto detail = detailFor(context, collection);
    QCOMPARE(detail->emptyStateView()->text(), QStringLiteral("No deeplink in this collection"));
    QPushButton* add = detail->emptyStateView()->button();
    QCOMPARE(add->text(), QStringLiteral("Add Deeplink"));

    add->click();
    QCOMPARE(collection->deeplinksCount(), 1);
    Deeplink* added = collection->deeplinks().front();
    QCOMPARE(added->title(), QStringLiteral("Title"));
    QCOMPARE(added->urlString(), QStringLiteral("scheme://basepath/path?query=value"));
    QCOMPARE(detail->selectedDeeplink(), added);
    QCOMPARE(detail->currentContent(), detail->listView());

    // The toolbar button adds one more and selects that one.
    detail->addDeeplinkAction()->trigger();
    QCOMPARE(collection->deeplinksCount(), 2);
    QVERIFY(detail->selectedDeeplink() != added);
}

void tst_DeeplinkCollectionDetailView::emptyAndNoResultStates_data() {
    QTest::addColumn<bool>("hasDeeplinks");
    QTest::addColumn<SearchRootScope>("scope");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const auto title = SearchRootScope::deeplink(DeeplinkScope::Title);
    QTest::addRow("title search, no match") << true << title << "zzz"
                                            << "No Result found for zzz";
    QTest::addRow("empty collection, title search") << false << title << "zzz"
                                                    << "No Result found for zzz";
    QTest::addRow("empty collection, collection search")
        << false << SearchRootScope::collection() << "zzz"
        << "empty";
    QTest::addRow("collection search leaves the list alone")
        << true << SearchRootScope::collection() << "zzz"
        << "list";
}

void tst_DeeplinkCollectionDetailView::emptyAndNoResultStates() {
    QFETCH(bool, hasDeeplinks);
    QFETCH(SearchRootScope, scope);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, "c");
    if (hasDeeplinks)
        addDeeplink(context, collection, "Home", "app://home");
    auto detail = detailFor(context, collection, {}, text, scope);
    if (shown == "empty") {
        QCOMPARE(detail->currentContent(), detail->emptyStateView());
    } else if (shown == "list") {
        QCOMPARE(detail->currentContent(), detail->listView());
    } else {
        QCOMPARE(detail->currentContent(), detail->noResultView());
        QCOMPARE(detail->noResultView()->text(), shown);
    }
}

void tst_DeeplinkCollectionDetailView::executeGoesThroughTheOpenUrlAction() {
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, "c");
    Deeplink* withUrl = addDeeplink(context, collection, "with", "app://fire?x=1", 2);
    Deeplink* withoutUrl = addDeeplink(context, collection, "without", "not a url", 1);
    QVERIFY(withoutUrl->url().isEmpty());
    QList<QUrl> opened;
    auto detail =
        detailFor(context, collection, [&opened](const QUrl& url) { opened.append(url); });
    detail->show();
    QVERIFY(QTest::qWaitForWindowExposed(detail.get()));

    std::unique_ptr<QMenu> menu = detail->createContextMenu(detail->model()->indexOf(withUrl));
    QCOMPARE(menu->actions().front()->text(), QStringLiteral("Execute"));
    menu->actions().front()->trigger();
    QCOMPARE(opened, QList<QUrl>{QUrl("app://fire?x=1")});

    menu = detail->createContextMenu(detail->model()->indexOf(withoutUrl));
    menu->actions().front()->trigger();
    QCOMPARE(opened.size(), 1);
    QVERIFY(!detail->createContextMenu(QModelIndex()));

    // The keyboard fires the selected one.
    detail->setSelectedDeeplink(withUrl);
    detail->listView()->setFocus();
    QTest::keyClick(detail->listView(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(opened.size(), 2);
}

void tst_DeeplinkCollectionDetailView::pinMovesTheCollectionAtOnce() {
    TestEnvironment env;
    ManagedObjectContext context;
    addCollection(context, "pinned", true, 3);
    addCollection(context, "first", false, 2);
    DeeplinkCollection* target = addCollection(context, "target", false, 1);
    ColumSplitView split(&context, {});
    split.show();
    QVERIFY(QTest::qWaitForWindowExposed(&split));
    split.setSelectedDeeplinkCollection(target);
    DeeplinkCollectionDetailView* detail = split.detailView();
    QCOMPARE(detail->pinAction()->toolTip(), QStringLiteral("Pin this collection"));

    detail->pinAction()->trigger();
    QCOMPARE(WindowFixture::listed(*split.sectionedCollection()),
             (QStringList{"pinned", "target", "first"}));
    QCOMPARE(split.sectionedCollection()->sections().front().objects.size(), 2);
    // Still the same selection and the same detail view.
    QCOMPARE(split.selectedDeeplinkCollection(), target);
    QCOMPARE(split.detailView(), detail);

    // Unpinned from elsewhere, the toggle follows.
    target->setIsPinned(false);
    QVERIFY(!detail->pinAction()->isChecked());
}

void tst_DeeplinkCollectionDetailView::savesWhenItGoesAway() {
    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = addCollection(context, "c");
    QVERIFY(context.save());
    auto detail = detailFor(context, collection);
    detail->addDeeplink();
    QVERIFY(context.hasChanges());
    detail.reset();
    QVERIFY(!context.hasChanges());
}

QTEST_MAIN(tst_DeeplinkCollectionDetailView)
#include "tst_DeeplinkCollectionDetailView.moc"
