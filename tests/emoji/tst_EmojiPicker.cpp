#include "FindChild.h"
#include "TestEnvironment.h"

#include "emoji/EmojiGridModel.h"
#include "emoji/EmojiStore.h"
#include "emoji/OffsetObserver.h"
#include "emoji/SharedState.h"
#include "emoji/ui/EmojiGridView.h"
#include "emoji/ui/EmojiPicker.h"
#include "emoji/ui/EmojiPickerViewModifier.h"
#include "emoji/ui/SearchBar.h"
#include "emoji/ui/SectionIndexPicker.h"
#include "widgets/Popover.h"
#include "widgets/SearchField.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

struct PickerFixture {
    explicit PickerFixture(const EmojiStore& store = EmojiStore::shared())
        : picker(
              new SharedState(), store, [this](const Emoji& emoji) { chosen.append(emoji); },
              true) {
        picker.resize(320, 500);
        picker.show();
    }

    // Clicks emoji `item` of section `id` in the category list or the search results.
    void tap(EmojiGridView* view, const QString& id, int item) {
        const QModelIndex index = view->itemIndex(id, item);
        QVERIFY(index.isValid());
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    [[nodiscard]] EmojiGridView* list() const {
        return child<EmojiGridView>(&picker, "categoryList");
    }
    [[nodiscard]] EmojiGridView* results() const {
        return child<EmojiGridView>(&picker, "searchResults");
    }

    QList<Emoji> chosen;
    EmojiPicker picker;
};

QAbstractButton* segment(EmojiPicker& picker, int index) {
    return child<SectionIndexPicker>(&picker, "sectionIndex")
        ->control()
        ->findChildren<QAbstractButton*>()
        .value(index);
}

int sectionTop(EmojiGridView* view, const QString& id) {
    for (const OffsetViewFrame& frame : view->sectionFrames()) {
        if (frame.id == id)
            return int(frame.frame.top());
    }
    return INT_MIN;
}

} // namespace

// Closing after a choice is covered where the collection editor uses the picker.

class tst_EmojiPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gridModelLaysOutSections() {
        TestEnvironment env;
        EmojiGridModel model(6);
        QAbstractItemModelTester tester(&model);
        QList<int> activated;
        model.setSections({
            {"a", "A", QStringList(7, "x"), [&](int i) { activated.append(i); }},
            {"b", "B", {}, {}},
            {"c", "C", QStringList(6, "y"), [&](int i) { activated.append(100 + i); }},
        });
        // A: header + 2 rows, B: header only, C: header + 1 row.
        QCOMPARE(model.rowCount(), 6);
        // Headers and the blank cells after a section's last emoji do nothing.
        QVERIFY(!model.activate(model.index(2, 1)));
        QVERIFY(!model.activate(model.index(0, 0)));
        QVERIFY(model.activate(model.index(2, 0)));
        QVERIFY(model.activate(model.index(5, 5)));
        QCOMPARE(activated, (QList<int>{6, 105}));
    }

    void recentMissingFromCatalogueDoesNothing() {
        TestEnvironment env;
        EmojiStore::recordRecentEmoji(QStringLiteral("🚀"));
        EmojiStore::recordRecentEmoji(QStringLiteral("not-an-emoji"));
        PickerFixture fixture;
        fixture.tap(fixture.list(), QStringLiteral("Recent"), 0);
        QVERIFY(fixture.chosen.isEmpty());
        QCOMPARE(EmojiStore::recentEmojis(), (QStringList{"not-an-emoji", "🚀"}));

        // A known recent hands over the catalogue's full record.
        fixture.tap(fixture.list(), QStringLiteral("Recent"), 1);
        QCOMPARE(fixture.chosen, QList<Emoji>{*EmojiStore::shared().emojiForString("🚀")});
        QCOMPARE(EmojiStore::recentEmojis(), (QStringList{"🚀", "not-an-emoji"}));
    }

    void searchShowsResultsOrNoResultLine() {
        TestEnvironment env;
        PickerFixture fixture;
        EmojiPicker& picker = fixture.picker;
        EmojiGridView* list = fixture.list();
        list->verticalScrollBar()->setValue(1234);
        const int position = list->verticalScrollBar()->value();

        QTest::keyClicks(picker.searchBar()->field(), QStringLiteral("Rocket"));
        const auto& results = fixture.results()->gridModel()->sections();
        QCOMPARE(results.size(), 1);
        fixture.tap(fixture.results(), QStringLiteral("Search Results"),
                    int(results.first().texts.indexOf(QStringLiteral("🚀"))));
        QCOMPARE(fixture.chosen.value(0).string, QStringLiteral("🚀"));

        picker.sharedState()->setKeyword(QStringLiteral("zebra crossing"));
        auto* noResult = child<QLabel>(&picker, "noResultLabel");
        QVERIFY(noResult->isVisible());
        QCOMPARE(noResult->text(), QStringLiteral("No emoji found for \"zebra crossing\""));

        picker.sharedState()->setKeyword(QString());
        QVERIFY(list->isVisible());
        QCOMPARE(list->verticalScrollBar()->value(), position);
    }

    void scrollingMovesBarWithoutJump() {
        TestEnvironment env;
        PickerFixture fixture;
        EmojiPicker& picker = fixture.picker;
        EmojiGridView* list = fixture.list();
        const int peopleStart = sectionTop(list, QStringLiteral("People & Body"));
        QVERIFY(peopleStart > 0);

        list->verticalScrollBar()->setValue(peopleStart + 30);
        QCOMPARE(child<SectionIndexPicker>(&picker, "sectionIndex")->control()->selectedIndex(), 1);
        QCoreApplication::processEvents(); // the queued reaction to the category change
        QCOMPARE(list->verticalScrollBar()->value(), peopleStart + 30);

        // A click on the bar hands scrolling back to the bar.
        QTest::mouseClick(segment(picker, 8), Qt::LeftButton);
        QTRY_COMPARE(sectionTop(list, QStringLiteral("Flags")), 0);
        QCOMPARE(picker.sharedState()->currentCategory(), QStringLiteral("Flags"));

        // Clicking the current segment again, a little inside its section, goes back to its start.
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->value() + 100);
        QTest::mouseClick(segment(picker, 8), Qt::LeftButton);
        QCOMPARE(sectionTop(list, QStringLiteral("Flags")), 0);
    }

    void popoverKeptOpenClosesOnEscape() {
        TestEnvironment env;
        QWidget window;
        auto* anchor = new QPushButton(QStringLiteral("Icon"), &window);
        window.show();
        auto isPresented = std::make_shared<bool>(true);
        auto selected = std::make_shared<std::optional<Emoji>>();
        EmojiPickerViewModifier modifier(anchor, Binding<bool>::value(isPresented),
                                         Binding<std::optional<Emoji>>::value(selected), false);
        modifier.refresh();
        EmojiGridView* list = child<EmojiGridView>(&window, "categoryList");
        const QList<Emoji>& smileys =
            EmojiStore::shared().emojisByCategory().value("Smileys & Emotion");
        for (int item = 0; item < 2; ++item) {
            const QRect rect = list->itemRect("Smileys & Emotion", item);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            QCOMPARE(*selected, std::optional<Emoji>(smileys.at(item)));
        }
        QVERIFY(child<Popover>(&window, "emojiPopover")->isVisible());
        // Closing it by other means (Escape in the search field, a click elsewhere) writes the flag
        // back.
        QTest::keyClick(child<SearchBar>(&window, "emojiSearchBar")->field(), Qt::Key_Escape);
        QVERIFY(!*isPresented);
        QTRY_VERIFY(!window.findChild<Popover*>(QStringLiteral("emojiPopover")));
    }
};

QTEST_MAIN(tst_EmojiPicker)
#include "tst_EmojiPicker.moc"
