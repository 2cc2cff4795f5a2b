#include "WindowFixture.h"

#include "window/WindowState.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace WindowFixture;

// The window's shared state, driven without a single widget.
class tst_WindowState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void collectionSearch_data();
    void collectionSearch();
    void selectionsAndTitle();
};

void tst_WindowState::collectionSearch_data() {
    QTest::addColumn<QStringList>("steps"); // text edits; "@deeplink" / "@collection" switch scope
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("notFound");
    const auto add = [](const char* name, QStringList steps, QString text, QStringList listed,
                        bool notFound) {
        QTest::addRow("%s", name) << steps << text << listed << notFound;
    };
    add("no match", {"zzz"}, "zzz", {}, true);
    add("cleared text lists all", {"zzz", ""}, "", {"Äbc", "ABX", "xyz"}, false);
    add("deeplink scope lists all, keeps the text", {"zzz", "@deeplink"}, "zzz",
        {"Äbc", "ABX", "xyz"}, false);
    add("back to collections: unfiltered until the next edit", {"ab", "@deeplink", "@collection"},
        "ab", {"Äbc", "ABX", "xyz"}, false);
    add("next edit filters again", {"ab", "@deeplink", "@collection", "abx"}, "abx", {"ABX"},
        false);
}

void tst_WindowState::collectionSearch() {
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(QStringList, listed);
    QFETCH(bool, notFound);
    Store store;
    store.collection("Äbc", false, 30);
    store.collection("ABX", false, 20);
    store.collection("xyz", false, 10);
    WindowState state(&store.context);
    QAbstractItemModelTester tester(state.sectionedCollection());
    QSignalSpy texts(&state, &WindowState::searchTextChanged);
    QVERIFY(texts.isValid());

    for (const QString& step : steps) {
        if (step == "@deeplink")
            state.setSelectedScope(SearchRootScope::deeplink(DeeplinkScope::Title));
        else if (step == "@collection")
            state.setSelectedScope(SearchRootScope::collection());
        else
            state.setSearchText(step);
    }
    QCOMPARE(state.searchText(), text);
    QCOMPARE(texts.size(), steps.size() - steps.filter("@").size());
    QCOMPARE(WindowFixture::listed(*state.sectionedCollection()), listed);
    QCOMPARE(state.collectionsNotFound(), notFound);
}

void tst_WindowState::selectionsAndTitle() {
    Store store;
    DeeplinkCollection* named = store.collection("Named", false, 2);
    DeeplinkCollection* nameless = store.collection(QString(), false, 1);
    Deeplink* link = store.deeplink(named, "Link");
    WindowState state(&store.context);
    QSignalSpy titles(&state, &WindowState::titleChanged);
    QSignalSpy deeplinks(&state, &WindowState::selectedDeeplinkChanged);
    QVERIFY(titles.isValid() && deeplinks.isValid());
    QCOMPARE(state.title(), QStringLiteral("Kestrine"));

    state.setSelectedDeeplinkCollection(named);
    state.setSelectedDeeplink(link);
    QCOMPARE(state.title(), QStringLiteral("Named"));
    // Another collection: no deeplink of the old one stays selected.
    state.setSelectedDeeplinkCollection(nameless);
    QCOMPARE(state.selectedDeeplink(), nullptr);
    QCOMPARE(deeplinks.size(), 2);
    QCOMPARE(state.title(), QStringLiteral("Kestrine"));

    // Renaming the selected collection renames the window.
    state.setSelectedDeeplinkCollection(named);
    nameless->setName("Elsewhere");
    named->setName("Live");
    QCOMPARE(titles.size(), 4);
    QCOMPARE(titles.last().front().toString(), QStringLiteral("Live"));

    // Deleted straight on the context, as "Delete All" does: no longer selected.
    state.setSelectedDeeplink(link);
    store.context.deleteObject(link);
    QCOMPARE(state.selectedDeeplink(), nullptr);
    store.context.deleteObject(named);
    QCOMPARE(state.selectedDeeplinkCollection(), nullptr);
    QCOMPARE(state.title(), QStringLiteral("Kestrine"));
}

QTEST_GUILESS_MAIN(tst_WindowState)
#include "tst_WindowState.moc"
