#include "FindChild.h"
#include "StoreBuilders.h"

#include "widgets/PlaceholderView.h"
#include "widgets/TextStyle.h"
#include "window/WindowState.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/DeeplinkRowView.h"
#include "window/ui/EnvironmentsEditor.h"
#include "window/ui/QrCodeDialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>

using namespace StoreBuilders;

namespace {

// A store and the detail view of one of its collections, with the query the window builds.
struct DetailFixture : Store {
    std::unique_ptr<DeeplinkCollectionDetailView> view(DeeplinkCollection* collection,
                                                       OpenUrlAction openUrl = {},
                                                       const QString& text = {},
                                                       SearchRootScope scope = {}) {
        WindowState state(&context);
        state.setSelectedDeeplinkCollection(collection);
        state.setSelectedScope(scope);
        state.setSearchText(text);
        return std::make_unique<DeeplinkCollectionDetailView>(
            &context, collection, text, scope, state.deeplinkFetchRequest(), std::move(openUrl));
    }
};

QListView* list(const DeeplinkCollectionDetailView& view) {
    return child<QListView>(&view, "deeplinkList");
}
PlaceholderView* placeholder(const DeeplinkCollectionDetailView& view, const char* name) {
    return child<PlaceholderView>(&view, name);
}
// What the content area shows: the list or one of the placeholders.
QWidget* shownContent(const DeeplinkCollectionDetailView& view) {
    return child<QStackedWidget>(&view, "detailContent")->currentWidget();
}

} // namespace

class tst_DeeplinkCollectionDetailView : public QObject {
    Q_OBJECT
public Q_SLOTS:
    // Stands in for the desktop's handler of the deeplinks' scheme.
    void openOnDesktop(const QUrl& url) { m_openedOnDesktop.append(url); }

private Q_SLOTS:
    void subtitleCountsInTheUserLocale() {
        DetailFixture f;
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        DeeplinkCollection* collection = f.collection("Big");
        for (int i = 0; i < 1200; ++i)
            f.deeplink(collection, "d", "app://d", i);
        auto detail = f.view(collection);
        QLocale::setDefault(saved);
        QCOMPARE(detail->subtitle(), QStringLiteral("1,200 Deeplinks"));
    }

    void emptyStateAddsAndSelectsADeeplink() {
        DetailFixture f;
        DeeplinkCollection* collection = f.collection("Empty");
        auto detail = f.view(collection);
        QCOMPARE(placeholder(*detail, "emptyCollection")->text(),
                 QStringLiteral("No deeplink in this collection"));
        auto* add =
            child<QPushButton>(placeholder(*detail, "emptyCollection"), "placeholderButton");
        QCOMPARE(add->text(), QStringLiteral("Add Deeplink"));

        add->click();
        QCOMPARE(collection->deeplinksCount(), 1);
        Deeplink* added = collection->deeplinks().front();
        QCOMPARE(added->title(), QStringLiteral("Title"));
        QCOMPARE(added->urlString(), QStringLiteral("scheme://basepath/path?query=value"));
        QCOMPARE(detail->selectedDeeplink(), added);
        QCOMPARE(shownContent(*detail), list(*detail));

        // The toolbar button adds one more and selects that one.
        child<QAction>(detail.get(), "addDeeplink")->trigger();
        QCOMPARE(collection->deeplinksCount(), 2);
        QVERIFY(detail->selectedDeeplink() != added);
        // Going away saves what was added.
        detail.reset();
        QTRY_VERIFY(!f.context.hasChanges());
    }

    void emptyAndNoResultStates_data() {
        QTest::addColumn<bool>("hasDeeplinks");
        QTest::addColumn<SearchRootScope>("scope");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const auto add = [](const char* name, bool hasDeeplinks, SearchRootScope scope,
                            const char* text, const char* shown) {
            QTest::addRow("%s", name)
                << hasDeeplinks << scope << QString::fromUtf8(text) << QString::fromUtf8(shown);
        };
        const auto title = SearchRootScope{DeeplinkScope::Title};
        add("url search", true, SearchRootScope{DeeplinkScope::Url}, "app://", "list");
        add("title search, no match", true, title, "zzz", "No Result found for zzz");
        add("empty collection, title search", false, title, "zzz", "No Result found for zzz");
        add("empty collection, collection search", false, {}, "zzz", "empty");
        add("collection search leaves the list alone", true, {}, "zzz", "list");
    }
    void emptyAndNoResultStates() {
        QFETCH(bool, hasDeeplinks);
        QFETCH(SearchRootScope, scope);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        DetailFixture f;
        DeeplinkCollection* collection = f.collection("c");
        if (hasDeeplinks)
            f.deeplink(collection, "Home", "app://home");
        auto detail = f.view(collection, {}, text, scope);
        if (shown == "empty") {
            QCOMPARE(shownContent(*detail), placeholder(*detail, "emptyCollection"));
        } else if (shown == "list") {
            QCOMPARE(shownContent(*detail), list(*detail));
        } else {
            QCOMPARE(shownContent(*detail), placeholder(*detail, "deeplinksNotFound"));
            QCOMPARE(placeholder(*detail, "deeplinksNotFound")->text(), shown);
        }
    }

    void executeGoesThroughTheOpenUrlAction() {
        DetailFixture f;
        DeeplinkCollection* collection = f.collection("c");
        Deeplink* withUrl = f.deeplink(collection, "with", "app://fire?x=1", 2);
        Deeplink* withoutUrl = f.deeplink(collection, "without", "not a url", 1);
        QVERIFY(withoutUrl->urlString().isNull());
        QStringList opened;
        auto detail =
            f.view(collection, [&opened](const FiringRequest& request, const FiringDone&) {
                opened.append(request.url);
            });
        shown(*detail);

        std::unique_ptr<QMenu> menu = detail->createContextMenu(detail->model()->indexOf(withUrl));
        QCOMPARE(menu->actions().front()->text(), QStringLiteral("Execute"));
        menu->actions().front()->trigger();
        QCOMPARE(opened, QStringList{"app://fire?x=1"});
        // The QR code holds the URL Execute fires.
        QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Show QR Code"));
        menu->actions().at(1)->trigger();
        const std::unique_ptr<QrCodeDialog> dialog(detail->findChild<QrCodeDialog*>());
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(child<QLabel>(dialog.get(), "url")->text(), QStringLiteral("app://fire?x=1"));
        // Copy Command asks for the row's URL, which need not be the selected one.
        QSignalSpy commands(&*detail, &DeeplinkCollectionDetailView::commandRequested);
        QCOMPARE(menu->actions().at(2)->text(), QStringLiteral("Copy Command"));
        menu->actions().at(2)->trigger();
        QCOMPARE(commands.value(0).value(0).toString(), QStringLiteral("app://fire?x=1"));

        menu = detail->createContextMenu(detail->model()->indexOf(withoutUrl));
        menu->actions().front()->trigger();
        QVERIFY(!menu->actions().at(1)->isEnabled());
        QCOMPARE(opened.size(), 1);
        QVERIFY(!menu->actions().at(2)->isEnabled());
        QVERIFY(!detail->createContextMenu(QModelIndex()));

        // A row's URL link fires it the same way; the rest of the row only selects.
        QDesktopServices::setUrlHandler(QStringLiteral("app"), this, "openOnDesktop");
        const auto unsetHandler =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("app")); });
        const QModelIndex row = detail->model()->indexOf(withUrl);
        QListView* rows = list(*detail);
        const QRect rowRect = rows->visualRect(row);
        const QRect link =
            static_cast<DeeplinkRowView*>(rows->itemDelegate())->linkRect(rowRect, row);
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, link.center());
        QCOMPARE(opened, (QStringList(2, "app://fire?x=1")));
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                          QPoint(link.center().x(), rowRect.top() + 2));
        QCOMPARE(opened.size(), 2);
        QVERIFY(m_openedOnDesktop.isEmpty());
    }

    // A long URL wraps onto a second line, and no further; a short one is drawn as it is.
    void longUrlsWrapOntoTwoLines() {
        DetailFixture f;
        DeeplinkCollection* collection = f.collection("c");
        QList<Deeplink*> links;
        for (const int length : {1, 150, 600})
            links.append(f.deeplink(collection, "t", "app://" + QString(length, u'x')));
        auto detail = f.view(collection);
        detail->resize(320, 400);
        shown(*detail);
        QListView* rows = list(*detail);
        QList<QRect> rects;
        for (Deeplink* link : links)
            rects.append(rows->visualRect(detail->model()->indexOf(link)));
        QVERIFY(rects[0].height() < rects[1].height());
        QCOMPARE(rects[2].height(), rects[1].height());
        const QRect link = static_cast<DeeplinkRowView*>(rows->itemDelegate())
                               ->linkRect(rects[0], detail->model()->indexOf(links[0]));
        QCOMPARE(link.width(), QFontMetrics(TextStyle::font(TextStyle::Style::Callout))
                                   .horizontalAdvance(QStringLiteral("app://x")));
    }

    void pinMovesTheCollectionAtOnce() {
        Store store;
        store.collection("first", false, 2);
        DeeplinkCollection* target = store.collection("target", false, 1);
        ColumSplitView split(&store.context, {});
        shown(split).setSelectedDeeplinkCollection(target);
        DeeplinkCollectionDetailView* detail = split.detailView();

        detail->pinAction()->trigger();
        // Unsaved, and already first in the sidebar (the live query re-sorts at once).
        QVERIFY(target->isPinned());
        QCOMPARE(StoreBuilders::listed(*split.sectionedCollection()).front(),
                 QStringLiteral("target"));
        // Still the same selection and the same detail view.
        QCOMPARE(split.state()->selectedDeeplinkCollection(), target);
        QCOMPARE(split.detailView(), detail);

        // Unpinned from elsewhere, the toggle follows.
        target->setIsPinned(false);
        QVERIFY(!detail->pinAction()->isChecked());
    }

    // The header's picker lists the environments, makes the chosen one active and saves it,
    // and follows changes made elsewhere.
    void environmentPickerChoosesAndFollows() {
        DetailFixture f;
        DeeplinkCollection* collection = f.collection("Shop");
        collection->setEnvironments({{.name = QStringLiteral("Staging"), .variables = {}},
                                     {.name = QStringLiteral("R&D"), .variables = {}}});
        collection->setActiveEnvironment(QStringLiteral("Staging"));
        auto detail = f.view(collection);
        QMenu* picker = detail->environmentMenu();
        const auto menu = [picker] {
            Q_EMIT picker->aboutToShow();
            QStringList items;
            for (const QAction* action : picker->actions()) {
                if (action->isSeparator())
                    items.append(QStringLiteral("-"));
                else
                    items.append((action->isChecked() ? QStringLiteral("* ") : QString()) +
                                 action->text());
            }
            return items;
        };
        QCOMPARE(detail->environmentTitle(), QStringLiteral("Staging"));
        QCOMPARE(detail->environmentPicker()->accessibleName(),
                 QStringLiteral("Environment: Staging"));
        QCOMPARE(menu(), (QStringList{"No Environment", "* Staging", "R&&D", "-",
                                      "Edit Environments\u2026"}));

        picker->actions().at(2)->trigger();
        QCOMPARE(collection->activeEnvironment(), QStringLiteral("R&D"));
        QVERIFY(!f.context.hasChanges());
        QCOMPARE(detail->environmentTitle(), QStringLiteral("R&D"));

        // Removed elsewhere, the active environment reads as none.
        collection->setEnvironments({});
        QCOMPARE(detail->environmentTitle(), QStringLiteral("No Environment"));

        QCOMPARE(menu(), (QStringList{"* No Environment", "-", "Add Environment\u2026"}));
        // Which opens the editor with a first environment added, its name ready to type over.
        picker->actions().last()->trigger();
        auto* editor = detail->findChild<EnvironmentsEditor*>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->list()->count(), 1);
        QVERIFY(editor->list()->findChild<QLineEdit*>()); // the name's editor
    }

private:
    QList<QUrl> m_openedOnDesktop;
};

QTEST_MAIN(tst_DeeplinkCollectionDetailView)
#include "tst_DeeplinkCollectionDetailView.moc"
