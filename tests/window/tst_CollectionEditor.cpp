#include "WindowFixture.h"

#include "emoji/EmojiGridView.h"
#include "emoji/EmojiPickerViewModifier.h"
#include "emoji/EmojiStore.h"
#include "exchange/ImportDeeplinkCollectionsView.h"
#include "widgets/ToggleSwitch.h"
#include "window/AddDeeplinkCollectionView.h"
#include "window/CreateDeeplinkCollectionMetaDataView.h"
#include "window/EmojiWell.h"
#include "window/GridColorPickerView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <QCoro/QCoroTask>

namespace {

// An editor sheet over an in-memory store, shown in a window of its own.
struct EditorFixture : WindowFixture::Store {
    EditorFixture() {
        window.resize(800, 600);
        window.show();
        sheet = new AddDeeplinkCollectionView(&context, &window);
        sheet->open();
    }

    CreateDeeplinkCollectionMetaDataView* create() const { return sheet->createView(); }

    void clickSwatch(int index) const {
        GridColorPickerView* grid = create()->colorGrid();
        QTest::mouseClick(grid, Qt::LeftButton, {}, grid->swatchRect(index).center());
    }

    QWidget window;
    QPointer<AddDeeplinkCollectionView> sheet;
};

} // namespace

class tst_CollectionEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addNeedsAName_data();
    void addNeedsAName();
    void defaultsStoreFirstColourNoEmojiUnpinned();
    void chosenColourEmojiAndPinAreStored();
    void cancelAddsNothingAndReopeningStartsFresh();
    void tabsHoldCreateAndImport();
};

void tst_CollectionEditor::addNeedsAName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enabled");
    QTest::addRow("empty") << "" << false;
    QTest::addRow("padded name") << "  Shop " << true;
}

void tst_CollectionEditor::addNeedsAName() {
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    EditorFixture fixture;
    QTest::keyClicks(fixture.create()->nameField(), typed);
    QCOMPARE(fixture.create()->addButton()->isEnabled(), enabled);

    // Return in the field is the default button; with no name it adds nothing.
    QTest::keyClick(fixture.create()->nameField(), Qt::Key_Return);
    const QList<DeeplinkCollection*> collections = fixture.context.collections();
    QCOMPARE(collections.size(), enabled ? 1 : 0);
    if (enabled)
        QCOMPARE(collections.first()->name(), typed); // stored as typed, not trimmed
}

void tst_CollectionEditor::defaultsStoreFirstColourNoEmojiUnpinned() {
    EditorFixture fixture;
    QTest::keyClicks(fixture.create()->nameField(), QStringLiteral("Home"));
    QTest::mouseClick(fixture.create()->addButton(), Qt::LeftButton);

    QCOMPARE(fixture.context.collections().size(), 1);
    const DeeplinkCollection* collection = fixture.context.collections().first();
    QVERIFY(!collection->uid().isNull());
    QCOMPARE(collection->colorR(), 235 / 255.0);
    QCOMPARE(collection->colorG(), 85 / 255.0);
    QCOMPARE(collection->colorB(), 69 / 255.0);
    QCOMPARE(collection->colorA(), 1.0);
    QVERIFY(collection->emoji().isNull());
    QVERIFY(!collection->isPinned());
    QVERIFY(!fixture.context.hasChanges()); // saved
    QVERIFY(!fixture.sheet->isVisible());
}

void tst_CollectionEditor::chosenColourEmojiAndPinAreStored() {
    EditorFixture fixture;
    CreateDeeplinkCollectionMetaDataView* create = fixture.create();
    fixture.clickSwatch(5);
    QTest::mouseClick(create->pinSwitch(), Qt::LeftButton);

    // The well opens the picker; a choice lands in the well and closes the picker.
    QTest::mouseClick(create->emojiWell(), Qt::LeftButton);
    EmojiPickerViewModifier* modifier = create->emojiPicker();
    EmojiGridView* list = modifier->picker()->categoryList();
    const QModelIndex third = list->itemIndex(QStringLiteral("Smileys & Emotion"), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(third).center());
    const Emoji expected = EmojiStore::shared().emojisByCategory().value("Smileys & Emotion").at(2);
    QCOMPARE(create->emojiWell()->emoji(), expected.string);
    QTRY_VERIFY(!modifier->popover());

    QTest::keyClicks(create->nameField(), QStringLiteral("Work"));
    QTest::mouseClick(create->addButton(), Qt::LeftButton);
    const DeeplinkCollection* collection = fixture.context.collections().value(0);
    QVERIFY(collection);
    QCOMPARE(collection->colorR(), 59 / 255.0);
    QCOMPARE(collection->colorG(), 130 / 255.0);
    QCOMPARE(collection->colorB(), 247 / 255.0);
    QCOMPARE(collection->colorA(), 1.0);
    QCOMPARE(collection->emoji(), expected.string);
    QVERIFY(collection->isPinned());
}

void tst_CollectionEditor::cancelAddsNothingAndReopeningStartsFresh() {
    EditorFixture fixture;
    QTest::keyClicks(fixture.create()->nameField(), QStringLiteral("Draft"));
    fixture.clickSwatch(7);
    QTest::mouseClick(fixture.create()->pinSwitch(), Qt::LeftButton);
    QTest::mouseClick(fixture.create()->cancelButton(), Qt::LeftButton);
    QVERIFY(!fixture.sheet->isVisible());
    QVERIFY(fixture.context.registeredObjects().isEmpty());
    QVERIFY(!fixture.context.hasChanges());
    delete fixture.sheet;

    AddDeeplinkCollectionView again(&fixture.context, &fixture.window);
    again.open();
    CreateDeeplinkCollectionMetaDataView* create = again.createView();
    QCOMPARE(create->nameField()->text(), QString());
    QCOMPARE(create->colorGrid()->selectedIndex(), 0);
    QVERIFY(!create->pinSwitch()->isChecked());
}

void tst_CollectionEditor::tabsHoldCreateAndImport() {
    EditorFixture fixture;
    auto* import = qobject_cast<ImportDeeplinkCollectionsView*>(fixture.sheet->importView());
    QVERIFY(import);
    // The import tab has its own default button while it is in front.
    fixture.sheet->setTabType(AddDeeplinkCollectionView::TabType::import);
    QVERIFY(!fixture.create()->addButton()->isDefault());

    // A finished import closes the whole sheet.
    QCoro::waitFor(import->importFiles(
        ImportDeeplinkCollectionsView::FileImportResult::failed(QStringLiteral("no disk"))));
    QVERIFY(!fixture.sheet->isVisible());
    QVERIFY(fixture.context.collections().isEmpty());
}

QTEST_MAIN(tst_CollectionEditor)
#include "tst_CollectionEditor.moc"
