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
#include "window/ui/EnvironmentsEditor.h"
#include "window/ui/GridColorPickerView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

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

    // Opens the sheet on a saved collection holding Staging (active) and Production.
    DeeplinkCollection* editEnvironments() {
        DeeplinkCollection* edited = collection(QStringLiteral("Shop"));
        edited->setEnvironments(environments);
        edited->setActiveEnvironment(QStringLiteral("Staging"));
        if (context.save().kind != SaveOutcome::Kind::Saved)
            qFatal("cannot save the test store");
        sheet->editCollection(edited);
        return edited;
    }
    EnvironmentsEditor* editor() const {
        return child<EnvironmentsEditor>(create(), "environments");
    }

    QWidget window;
    QPointer<AddDeeplinkCollectionView> sheet;
    const QList<Environment> environments{
        {.name = QStringLiteral("Staging"),
         .variables = {{.name = QStringLiteral("path"), .value = QStringLiteral("a/b")}}},
        {.name = QStringLiteral("Production"), .variables = {}}};
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
            const QColor fourth(ColorPalette::colors().at(3));
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

    // Removing the active environment leaves none active; Cancel leaves the collection as it
    // was.
    void environmentEditsAreSavedOrCancelled_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("active");
        const QStringList both{"Staging", "Production"};
        QTest::addRow("remove the active one")
            << "removeEnvironment" << true << QStringList{"Production"} << "";
        QTest::addRow("remove, then cancel") << "removeEnvironment" << false << both << "Staging";
        QTest::addRow("move, then cancel") << "moveEnvironmentDown" << false << both << "Staging";
    }
    void environmentEditsAreSavedOrCancelled() {
        QFETCH(QString, button);
        QFETCH(bool, save);
        QFETCH(QStringList, names);
        QFETCH(QString, active);
        EditorFixture fixture;
        DeeplinkCollection* edited = fixture.editEnvironments();
        QTest::mouseClick(child<QToolButton>(fixture.editor(), button), Qt::LeftButton);
        QTest::mouseClick(save ? fixture.create()->addButton()
                               : child<QPushButton>(fixture.create(), "cancel"),
                          Qt::LeftButton);
        QVERIFY(!fixture.context.hasChanges());
        QStringList saved;
        for (const Environment& environment : edited->environments())
            saved.append(environment.name);
        QCOMPARE(saved, names);
        QCOMPARE(edited->activeEnvironment(), active);
    }

    // A name that cannot be saved is marked, said under the lists, and holds Save back until
    // it is fixed; a blank variable row is no fault and is dropped.
    void namesThatCannotBeSaved_data() {
        QTest::addColumn<int>("environment"); // the row edited
        QTest::addColumn<int>("column");      // -1: the environment's name, else the table's
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem"); // empty: it can be saved
        QTest::addRow("empty environment name") << 1 << -1 << "  "
                                                << "Every environment needs a name.";
        QTest::addRow("repeated environment name")
            << 1 << -1 << "Staging "
            << "There are two environments named \u201cStaging\u201d.";
        QTest::addRow("invalid variable name")
            << 0 << 0 << "my var"
            << "\u201cmy var\u201d is not a variable name: use letters, digits and _ - . only, "
               "starting with a letter or _.";
        QTest::addRow("repeated variable name")
            << 0 << 0 << "path"
            << "There are two variables named \u201cpath\u201d.";
        QTest::addRow("value without a name") << 0 << 1 << "x"
                                              << "A value has no variable name.";
        QTest::addRow("valid variable name, padded") << 0 << 0 << " _api-v2.host "
                                                     << "";
    }
    void namesThatCannotBeSaved() {
        QFETCH(int, environment);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        EditorFixture fixture;
        DeeplinkCollection* edited = fixture.editEnvironments();
        EnvironmentsEditor* editor = fixture.editor();
        editor->list()->setCurrentRow(environment);
        QTest::mouseClick(child<QPushButton>(editor, "addVariable"), Qt::LeftButton);
        QVERIFY(editor->problem().isEmpty()); // a blank row
        const int row = editor->table()->rowCount() - 1;
        if (column >= 0)
            editor->table()->item(row, column)->setText(text);
        else
            editor->list()->item(environment)->setText(text);
        QCOMPARE(editor->problem(), problem);
        QCOMPARE(child<QLabel>(editor, "environmentProblem")->text(), problem);
        QCOMPARE(column >= 0 ? editor->table()->item(row, 0)->toolTip()
                             : editor->list()->item(environment)->toolTip(),
                 problem);
        QCOMPARE(fixture.create()->addButton()->isEnabled(), problem.isEmpty());
        if (!problem.isEmpty()) {
            // Return does not slip past the disabled button; removing the fault frees it.
            QTest::keyClick(fixture.create()->nameField(), Qt::Key_Return);
            QVERIFY(fixture.sheet->isVisible());
            QTest::mouseClick(child<QAbstractButton>(editor, column >= 0 ? "removeVariable"
                                                                         : "removeEnvironment"),
                              Qt::LeftButton);
        }
        QTest::mouseClick(fixture.create()->addButton(), Qt::LeftButton);
        QVERIFY(!fixture.sheet->isVisible());
        QList<Variable> saved = fixture.environments.at(0).variables;
        if (problem.isEmpty() && column == 0)
            saved.append({.name = text.trimmed(), .value = {}, .raw = false});
        QCOMPARE(edited->environments().at(0).variables, saved);
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
