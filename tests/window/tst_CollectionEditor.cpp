#include "FindChild.h"
#include "StoreBuilders.h"

#include "emoji/EmojiStore.h"
#include "emoji/ui/EmojiGridView.h"
#include "exchange/ui/ImportDeeplinkCollectionsView.h"
#include "store/ColorPalette.h"
#include "widgets/Popover.h"
#include "widgets/ToggleSwitch.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/CreateDeeplinkCollectionMetaDataView.h"
#include "window/ui/EmojiWell.h"
#include "window/ui/GridColorPickerView.h"

#include <QLineEdit>
#include <QPushButton>

#include <QCoro/QCoroTask>

namespace {

// An editor sheet over an in-memory store, shown in a window of its own.
struct EditorFixture : StoreBuilders::Store {
    EditorFixture() {
        window.resize(800, 600);
        window.show();
        sheet = new AddDeeplinkCollectionView(&context, &window);
        sheet->open();
    }

    CreateDeeplinkCollectionMetaDataView* create() const {
        return child<CreateDeeplinkCollectionMetaDataView>(sheet, "createCollection");
    }

    void clickSwatch(int index) const {
        auto* grid = child<GridColorPickerView>(create(), "colorGrid");
        QTest::mouseClick(grid, Qt::LeftButton, {}, grid->swatchRect(index).center());
    }

    QWidget window;
    QPointer<AddDeeplinkCollectionView> sheet;
};

} // namespace

class tst_CollectionEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addStoresWhatWasChosen_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("color"); // empty: nothing may be added
        // An existing collection, starting from its values; a new colour, emoji and pin chosen.
        QTest::addColumn<bool>("editing");
        QTest::addRow("empty name") << ""
                                    << "" << false;
        QTest::addRow("defaults, padded name") << "  Shop "
                                               << "#ffeb5545" << false;
        QTest::addRow("editing: new name, colour, emoji and pin") << "Work"
                                                                  << "#ff3b82f7" << true;
    }
    void addStoresWhatWasChosen() {
        QFETCH(QString, typed);
        QFETCH(QString, color);
        QFETCH(bool, editing);
        EditorFixture fixture;
        CreateDeeplinkCollectionMetaDataView* create = fixture.create();
        QPointer<DeeplinkCollection> edited;
        QString chosen;
        if (editing) {
            edited = fixture.collection(QStringLiteral("Old"));
            const QColor fourth = ColorPalette::colors().at(3);
            edited->setColor(fourth.redF(), fourth.greenF(), fourth.blueF(), 1);
            edited->setEmoji(QStringLiteral("\U0001F680"));
            QCOMPARE(fixture.context.save().kind, SaveOutcome::Kind::Saved);
            fixture.sheet->editCollection(edited);
            QCOMPARE(create->nameField()->text(), QStringLiteral("Old"));
            QCOMPARE(child<GridColorPickerView>(create, "colorGrid")->selectedIndex(), 3);
            QCOMPARE(child<EmojiWell>(create, "emojiWell")->emoji(), QStringLiteral("\U0001F680"));
            QVERIFY(!child<ToggleSwitch>(create, "pinSwitch")->isChecked());
            QCOMPARE(create->addButton()->text(), QStringLiteral("Save"));
            create->nameField()->clear();
            fixture.clickSwatch(5);
            QTest::mouseClick(child<ToggleSwitch>(create, "pinSwitch"), Qt::LeftButton);
            // The well opens the picker; a choice lands in the well and closes the picker.
            auto* well = child<EmojiWell>(create, "emojiWell");
            QTest::mouseClick(well, Qt::LeftButton);
            auto* list = child<EmojiGridView>(well, "categoryList");
            const QModelIndex third = list->itemIndex(QStringLiteral("Smileys & Emotion"), 2);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(third).center());
            chosen =
                EmojiStore::shared().emojisByCategory().value("Smileys & Emotion").at(2).string;
            QCOMPARE(well->emoji(), chosen);
            QTRY_VERIFY(!well->findChild<Popover*>(QStringLiteral("emojiPopover")));
        }
        QTest::keyClicks(create->nameField(), typed);
        QCOMPARE(create->addButton()->isEnabled(), !color.isEmpty());

        // Return in the field is the default button; with no name it adds nothing.
        QTest::keyClick(create->nameField(), Qt::Key_Return);
        const QList<DeeplinkCollection*> collections = fixture.context.collections();
        QCOMPARE(collections.size(), color.isEmpty() ? 0 : 1);
        if (color.isEmpty())
            return;
        const DeeplinkCollection* collection = collections.first();
        QVERIFY(!editing || collection == edited);
        QCOMPARE(collection->name(), typed); // stored as typed, not trimmed
        QVERIFY(!collection->uid().isNull());
        QCOMPARE(QColor::fromRgbF(collection->colorR(), collection->colorG(), collection->colorB(),
                                  collection->colorA())
                     .name(QColor::HexArgb),
                 color);
        QCOMPARE(collection->emoji().isNull(), !editing);
        QCOMPARE(collection->emoji(), chosen);
        QCOMPARE(collection->isPinned(), editing);
        QVERIFY(!fixture.context.hasChanges()); // saved
        QVERIFY(!fixture.sheet->isVisible());
    }

    void cancelAddsNothingAndReopeningStartsFresh() {
        EditorFixture fixture;
        QTest::keyClicks(fixture.create()->nameField(), QStringLiteral("Draft"));
        fixture.clickSwatch(7);
        QTest::mouseClick(child<ToggleSwitch>(fixture.create(), "pinSwitch"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(fixture.create(), "cancel"), Qt::LeftButton);
        QVERIFY(!fixture.sheet->isVisible());
        QVERIFY(fixture.context.registeredObjects().isEmpty());
        QVERIFY(!fixture.context.hasChanges());
        delete fixture.sheet;

        AddDeeplinkCollectionView again(&fixture.context, &fixture.window);
        again.open();
        auto* create = child<CreateDeeplinkCollectionMetaDataView>(&again, "createCollection");
        QCOMPARE(create->nameField()->text(), QString());
        QCOMPARE(child<GridColorPickerView>(create, "colorGrid")->selectedIndex(), 0);
        QVERIFY(!child<ToggleSwitch>(create, "pinSwitch")->isChecked());
    }

    void tabsHoldCreateAndImport() {
        EditorFixture fixture;
        auto* import = child<ImportDeeplinkCollectionsView>(fixture.sheet, "importCollections");
        // The import tab has its own default button while it is in front.
        fixture.sheet->setTabType(AddDeeplinkCollectionView::TabType::Import);
        QVERIFY(!fixture.create()->addButton()->isDefault());

        // A finished import closes the whole sheet.
        QCoro::waitFor(import->importFiles(
            ImportDeeplinkCollectionsView::FileImportResult::failed(QStringLiteral("no disk"))));
        QVERIFY(!fixture.sheet->isVisible());
        QVERIFY(fixture.context.collections().isEmpty());
    }
};

QTEST_MAIN(tst_CollectionEditor)
#include "tst_CollectionEditor.moc"
