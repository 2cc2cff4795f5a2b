#include "WindowFixture.h"

#include "window/WindowState.h"

#include <QSignalSpy>

using namespace WindowFixture;

// The window's shared state, driven without a single widget.
class tst_WindowState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionsAndTitle();
};

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
