#include "FindChild.h"
#include "StoreBuilders.h"

#include "widgets/PlaceholderView.h"
#include "widgets/SearchField.h"
#include "window/WindowState.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/DeeplinkDetailView.h"
#include "window/ui/RootSearchField.h"
#include "window/ui/RootView.h"
#include "window/ui/SideBarView.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>

#include <algorithm>

using namespace StoreBuilders;

namespace {

// The scope row as shown; a rebuilt row's old buttons are hidden until they are deleted.
QList<QToolButton*> scopeButtons(const RootSearchField& field) {
    QList<QToolButton*> shown = field.findChildren<QToolButton*>(QStringLiteral("scopeButton"));
    shown.removeIf([](const QToolButton* button) { return button->isHidden(); });
    return shown;
}

QStringList scopeLabels(const RootSearchField& field) {
    QStringList labels;
    for (QToolButton* button : scopeButtons(field))
        labels.append(button->text());
    return labels;
}

// What the "middleColumn" or "rightColumn" of `split` shows.
QWidget* column(const ColumSplitView& split, const char* name) {
    return child<QStackedWidget>(&split, name)->currentWidget();
}

QString placeholderText(QWidget* column) {
    auto* placeholder = qobject_cast<PlaceholderView*>(column);
    return placeholder ? placeholder->text() : QString();
}

// Whether the placeholder `column` draws its symbol above its text.
bool showsSymbol(QWidget* column) {
    const QList<QLabel*> labels = column->findChildren<QLabel*>();
    return std::any_of(labels.cbegin(), labels.cend(), [](const QLabel* label) {
        return label->isVisible() && !label->pixmap().isNull();
    });
}

} // namespace

// The columns as views of the window state; the state's rules are driven through them.
class tst_ColumSplitView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void collectionSearch_data() {
        QTest::addColumn<QStringList>("steps"); // typed texts; "@Name" clicks that scope button
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("noResult"); // empty: the list is shown
        const auto add = [](const char* name, QStringList steps, QStringList listed,
                            const char* noResult = "") {
            QTest::addRow("%s", name) << steps << listed << QString::fromUtf8(noResult);
        };
        const QStringList all{"Äbc", "ABX", "xyz"};
        add("no match", {"zzz"}, {}, "Unable to find zzz");
        add("cleared text lists all", {"zzz", ""}, all);
        add("deeplink scope lists all, keeps the text", {"zzz", "@Deeplinks"}, all);
        add("back to collections: unfiltered until the next edit",
            {"ab", "@Deeplinks", "@Collection"}, all);
        add("next edit filters again", {"ab", "@Deeplinks", "@Collection", "abx"}, {"ABX"});
    }
    void collectionSearch() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, listed);
        QFETCH(QString, noResult);
        Store store;
        store.collection("Äbc", false, 30);
        store.collection("ABX", false, 20);
        store.collection("xyz", false, 10);
        ColumSplitView split(&store.context, {});
        RootSearchField& field = *split.searchField();
        auto* input = child<SearchField>(&field, "searchField");
        QSignalSpy texts(split.state(), &WindowState::searchTextChanged);

        // Typed into the toolbar field one key at a time, each key a change.
        QString text;
        qsizetype changes = 0;
        for (const QString& step : steps) {
            if (step.startsWith(u'@')) {
                const qsizetype scope = scopeLabels(field).indexOf(step.mid(1));
                QVERIFY(scope >= 0);
                scopeButtons(field).at(scope)->click();
                continue;
            }
            input->selectAll();
            if (step.isEmpty())
                QTest::keyClick(input, Qt::Key_Backspace);
            else
                QTest::keyClicks(input, step);
            text = step;
            changes += std::max<qsizetype>(step.size(), 1);
        }
        QCOMPARE(split.state()->searchText(), text);
        QCOMPARE(texts.size(), changes);
        QCOMPARE(StoreBuilders::listed(*split.state()->sectionedCollection()), listed);
        QCOMPARE(split.isShowingNoResult()
                     ? child<PlaceholderView>(&split, "collectionsNotFound")->text()
                     : QString(),
                 noResult);
        const QStringList labels = split.state()->selectedScope().deeplinkField
                                       ? QStringList{"Collection", "Title", "Url"}
                                       : QStringList{"Collection", "Deeplinks"};
        QCOMPARE(scopeLabels(field), labels);

        // A write from elsewhere shows in the field.
        split.setSelectedScope(SearchRootScope{DeeplinkScope::Url});
        split.setSearchText("äb");
        QCOMPARE(scopeLabels(field), (QStringList{"Collection", "Title", "Url"}));
        QCOMPARE(input->text(), QStringLiteral("äb"));
    }

    void columnsAndTitleFollowTheSelections() {
        Store store;
        DeeplinkCollection* first = store.collection("First", false, 2);
        DeeplinkCollection* nameless = store.collection(QString(), false, 1);
        Deeplink* link = store.deeplink(first, "Link", "app://link", 1);
        store.deeplink(first, "Other", "app://other", 2);
        ColumSplitView split(&store.context, {});
        WindowState& state = *split.state();
        QSignalSpy titles(&state, &WindowState::titleChanged);
        QCOMPARE(state.title(), QStringLiteral("Kestrine"));
        QCOMPARE(placeholderText(column(split, "middleColumn")),
                 QStringLiteral("Select a deeplink collection"));
        QCOMPARE(placeholderText(column(split, "rightColumn")),
                 QStringLiteral("Select a deeplink"));
        split.show();
        QVERIFY(showsSymbol(column(split, "rightColumn")));

        split.setSelectedDeeplinkCollection(first);
        QPointer<DeeplinkCollectionDetailView> detail = split.detailView();
        QCOMPARE(column(split, "middleColumn"), detail.data());
        QCOMPARE(state.title(), QStringLiteral("First"));
        split.setSelectedDeeplink(link);
        QCOMPARE(detail->selectedDeeplink(), link);
        auto* editor = qobject_cast<DeeplinkDetailView*>(column(split, "rightColumn"));
        QVERIFY(editor);
        QCOMPARE(editor->deeplink(), link);

        // The search narrows the list and keeps the view.
        split.setSelectedScope(SearchRootScope{DeeplinkScope::Title});
        split.setSearchText("Oth");
        QCOMPARE(split.detailView(), detail.data());
        QCOMPARE(StoreBuilders::listed(*detail->model()), QStringList{"Other"});

        // Another collection: a fresh middle column and no deeplink of the old one.
        split.setSelectedDeeplinkCollection(nameless);
        QVERIFY(!detail);
        QCOMPARE(split.detailView()->deeplinkCollection(), nameless);
        QCOMPARE(split.sideBar()->selectedDeeplinkCollection(), nameless);
        QCOMPARE(state.selectedDeeplink(), nullptr);
        QCOMPARE(placeholderText(column(split, "rightColumn")),
                 QStringLiteral("Select a deeplink"));
        QCOMPARE(state.title(), QStringLiteral("Kestrine"));

        // Renaming the selected collection renames the window; renaming another one does not.
        split.setSelectedDeeplinkCollection(first);
        nameless->setName("Elsewhere");
        first->setName("Live");
        QCOMPARE(titles.size(), 4);
        QCOMPARE(titles.last().front().toString(), QStringLiteral("Live"));

        // Deleted straight on the context, as "Delete All" does: no longer selected.
        WindowState bare(&store.context); // no sidebar here to pick the next collection
        bare.setSelectedDeeplinkCollection(first);
        split.setSelectedDeeplink(link);
        store.context.deleteObject(link);
        QCOMPARE(state.selectedDeeplink(), nullptr);
        store.context.deleteObject(first);
        QCOMPARE(bare.selectedDeeplinkCollection(), nullptr);
        for (ManagedObject* object : store.context.registeredObjects())
            store.context.deleteObject(object);
        QCOMPARE(store.context.save().kind, SaveOutcome::Kind::Saved);
        QCOMPARE(split.sideBar()->selectedDeeplinkCollection(), nullptr);
        QCOMPARE(placeholderText(column(split, "middleColumn")),
                 QStringLiteral("Select a deeplink collection"));
        QCOMPARE(state.title(), QStringLiteral("Kestrine"));
    }

    void windowTitleAndSidebarToggle() {
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
};

QTEST_MAIN(tst_ColumSplitView)
#include "tst_ColumSplitView.moc"
