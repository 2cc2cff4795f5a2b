#include "DeviceFixtures.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "destinations/DeviceListModel.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/ui/DeviceListView.h"
#include "destinations/ui/TargetSelectorToolbarContent.h"
#include "toolchain/AdbLocator.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/PopoverStateView.h"
#include "widgets/SearchField.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <QCoro/QCoroTask>

namespace {

using Tool = FakeXcode::Tool;

struct Fixture {
    Fixture() {
        xcode.setScenario(Tool::Simctl, {.standardOutput = DeviceFixtures::simctlJson({
                                             {"iOS-17-2", {"S1|iPhone 15|Booted"}},
                                             {"iOS-17-0", {"S2|iPad Air|Shutdown"}},
                                             {"tvOS-17-2", {"S3|Apple TV 4K|Shutdown"}},
                                             {"macOS-14-2", {"S4|Designed for iPad|Shutdown"}},
                                         })});
        xcode.setScenario(Tool::Devicectl, {.file = DeviceFixtures::devicectlJson(
                                                {"D1|Kim’s iPhone|booted"}, "17.2.1")});
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        toolbar.show();
    }

    void fetch() { QCoro::waitFor(devices.fetchDevices(xcode.url())); }

    // The open list, with a tester watching its model.
    [[nodiscard]] DeviceListView* list() {
        auto* view = qobject_cast<DeviceListView*>(picker->popover()->content());
        if (view && !tester)
            tester = std::make_unique<QAbstractItemModelTester>(view->model());
        return view;
    }
    [[nodiscard]] PopoverStateView* stateView() const {
        return qobject_cast<PopoverStateView*>(picker->popover()->content());
    }
    [[nodiscard]] QStringList names() {
        QStringList names;
        for (const Device& device : list()->model()->filteredDevices())
            names.append(device.name);
        return names;
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    FakeAdb adb{env.path(), true}; // an emulator, a phone and an unauthorized phone
    RunDestinationManager devices;
    QWidget toolbar;
    TargetSelectorToolbarContent* picker = new TargetSelectorToolbarContent(devices, &toolbar);
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

class tst_DestinationPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void symbols_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("symbol");
        QTest::addRow("iPad") << QStringLiteral("iPad Air") << QStringLiteral("ipad");
        QTest::addRow("iPad wins over TV")
            << QStringLiteral("iPad TV Edition") << QStringLiteral("ipad");
        QTest::addRow("case matters") << QStringLiteral("ipad mini") << QStringLiteral("iphone");
    }

    void symbols() {
        QFETCH(QString, name);
        QFETCH(QString, symbol);
        QCOMPARE(symbolName(DeviceFixtures::device(QStringLiteral("X"), name)), symbol);
    }

    void labelWhileLoadingAndWithoutDevices() {
        Fixture f;
        f.xcode.setScenario(Tool::Simctl,
                            {.standardOutput = "{\"devices\": {}}", .delaySeconds = 0.3});
        f.xcode.setScenario(Tool::Devicectl, {.file = DeviceFixtures::devicectlJson({})});
        AdbLocator::adbPathSetting().setValue(QString()); // the test environment's, listing nothing
        auto fetch = f.devices.fetchDevices(f.xcode.url());
        QCOMPARE(f.picker->title(), QStringLiteral("Loading..."));
        QCOMPARE(f.picker->symbol(), QStringLiteral("iphone.slash"));
        f.picker->button()->click();
        QCOMPARE(f.stateView()->caption(), QStringLiteral("Loading devices..."));
        QCoro::waitFor(std::move(fetch));

        QCOMPARE(f.picker->title(), QStringLiteral("No Device"));
        QCOMPARE(f.stateView()->headline(), QStringLiteral("No devices found"));
    }

    void searchRegroupsAndReportsNoMatch() {
        Fixture f;
        f.fetch();
        f.picker->setShowingPopover(true);
        QCOMPARE(f.list()->model()->sectionTitles(),
                 (QStringList{"IOS DEVICES", "IOS SIMULATORS", "MACOS SIMULATORS",
                              "TVOS SIMULATORS", "ANDROID DEVICES", "ANDROID EMULATORS"}));

        QTest::keyClicks(f.list()->searchField(), QStringLiteral("17.2"));
        QCOMPARE(f.names(), (QStringList{"Kim’s iPhone", "iPhone 15", "Apple TV 4K"}));
        QCOMPARE(f.list()->model()->sectionTitles(),
                 (QStringList{"IOS DEVICES", "IOS SIMULATORS", "TVOS SIMULATORS"}));

        f.list()->searchField()->selectAll();
        QTest::keyClicks(f.list()->searchField(), QStringLiteral("TVOS 99"));
        QCOMPARE(f.list()->model()->rowCount(), 1);
        QCOMPARE(f.list()->model()->index(0).data().toString(),
                 QStringLiteral("No devices match \"TVOS 99\""));
        QCOMPARE(f.list()->model()->flags(f.list()->model()->index(0)), Qt::NoItemFlags);
    }

    // The arrows choose at once and keep the list open; Return or a click close it.
    void arrowsReturnAndClicksChoose() {
        Fixture f;
        f.fetch();
        QCOMPARE(f.picker->title(), QStringLiteral("iPhone 15")); // the booted simulator
        f.picker->button()->click();
        SearchField* search = f.list()->searchField();
        QTRY_VERIFY(search->hasFocus());
        // The list starts at the selected destination; title rows are skipped.
        QCOMPARE(f.list()->list()->currentIndex().data(DeviceListModel::DeviceIdRole).toString(),
                 QStringLiteral("S1"));
        QTest::keyClick(search, Qt::Key_Up);
        QCOMPARE(f.devices.selectedDevice()->id, QStringLiteral("D1"));
        QVERIFY(f.picker->popover()->isVisible());
        QCOMPARE(f.picker->title(), QStringLiteral("Kim’s iPhone"));
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(!f.picker->showingPopover());

        f.picker->button()->click();
        QListView* list = f.list()->list();
        const int row = f.list()->model()->rowOf(QStringLiteral("S3"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(f.list()->model()->index(row)).center());
        QVERIFY(!f.picker->popover()->isVisible());
        QCOMPARE(f.devices.selectedDevice()->id, QStringLiteral("S3"));
        QCOMPARE(f.picker->title(), QStringLiteral("Apple TV 4K"));
        QCOMPARE(f.picker->symbol(), QStringLiteral("appletv.fill"));
        // Stored for the next launch, where the device is known again only once a fetch finds it.
        const RunDestinationManager later;
        QCOMPARE(later.selectedDeviceId(), QStringLiteral("S3"));
        QVERIFY(!later.selectedDevice());
    }

    void unusableRowsCannotBeChosen() {
        Fixture f;
        f.fetch();
        f.picker->button()->click();
        DeviceListModel* model = f.list()->model();
        const QModelIndex unauthorized =
            model->index(model->rowOf(QStringLiteral("0A1B2C3D4E5F6789")));
        QCOMPARE(model->flags(unauthorized), Qt::NoItemFlags);
        QCOMPARE(unauthorized.data(Qt::AccessibleTextRole).toString(),
                 "0A1B2C3D4E5F6789, " + DeviceFixtures::unauthorized + ", Android");
        QListView* list = f.list()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(unauthorized).center());
        QVERIFY(f.picker->popover()->isVisible());
        QCOMPARE(f.devices.selectedDevice()->id, QStringLiteral("S1"));
        // The keyboard passes over it: down from the phone is the emulator.
        f.list()->searchField()->setFocus();
        QTest::keyClicks(f.list()->searchField(), QStringLiteral("android"));
        QCOMPARE(f.names(), (QStringList{"SM A546B", "0A1B2C3D4E5F6789", "Pixel 7 API 34"}));
        QTest::keyClick(f.list()->searchField(), Qt::Key_Down);
        QTest::keyClick(f.list()->searchField(), Qt::Key_Down);
        QCOMPARE(f.devices.selectedDevice()->id, QStringLiteral("emulator-5554"));
        QCOMPARE(f.picker->symbol(), QStringLiteral("android"));
    }

    // Every tool failing used to read "No devices found": each has its row, why and a Retry.
    void failingToolsAreRowsWithRetry() {
        Fixture f;
        f.xcode.setScenario(Tool::Simctl, {.standardError = "simctl died\n", .exitStatus = 1});
        f.xcode.removeTool(Tool::Devicectl);
        f.adb.setScenario({.standardError = "* cannot start server\n", .exitStatus = 1},
                          QStringLiteral("devices"));
        f.fetch();
        f.picker->button()->click();
        QVERIFY(f.list());
        DeviceListModel* model = f.list()->model();
        QCOMPARE(model->rowCount(), 3);
        QStringList rows;
        for (int row = 0; row < model->rowCount(); ++row)
            rows.append(
                model->index(row).data(Qt::AccessibleTextRole).toString().section(u'“', 0, 0));
        QCOMPARE(rows,
                 (QStringList{"simctl failed: simctl died", "devicectl failed: Could not start ",
                              "adb failed: * cannot start server"}));
        QCOMPARE(model->flags(model->index(0)), Qt::NoItemFlags);

        auto* retry = f.list()->list()->indexWidget(model->index(0))->findChild<QToolButton*>();
        QCOMPARE(retry->accessibleName(), QStringLiteral("Retry simctl"));
        f.xcode.setScenario(Tool::Simctl, {.standardOutput = DeviceFixtures::simctlJson(
                                               {{"iOS-17-2", {"S1|iPhone 15|Booted"}}})});
        retry->click();
        QTRY_VERIFY(!f.devices.isLoading() && f.list());
        QCOMPARE(f.names(), QStringList{"iPhone 15"});
        QCOMPARE(f.list()->model()->index(0).data().toString(), QStringLiteral("devicectl failed"));
    }

    // A selection no tool lists any more stays, shown as not connected.
    void unlistedSelectionStaysShown() {
        Fixture f;
        f.fetch();
        f.devices.selectDevice(f.devices.devices().constFirst()); // the iPad Air
        f.xcode.setScenario(Tool::Simctl, {.standardOutput = DeviceFixtures::simctlJson(
                                               {{"iOS-17-2", {"S1|iPhone 15|Booted"}}})});
        f.fetch();
        QCOMPARE(f.picker->title(), QStringLiteral("iPad Air (not connected)"));
        f.picker->button()->click();
        DeviceListModel* model = f.list()->model();
        const QModelIndex row = model->index(model->rowOf(QStringLiteral("S2")));
        QCOMPARE(row.data(Qt::AccessibleTextRole).toString(),
                 "iPad Air, " + DeviceFixtures::notConnected + ", iOS 17.0, selected");
        QCOMPARE(model->flags(row), Qt::NoItemFlags);
    }

    void refreshWithoutXcodeAsksAdbAlone() {
        Fixture f;
        QCoro::waitFor(f.devices.fetchDevices(QUrl()));
        QCOMPARE(f.adb.invocations().size(), 4); // the listing, a name and two versions
        f.picker->setShowingPopover(true);
        QCOMPARE(f.list()->model()->sectionTitles(),
                 (QStringList{"ANDROID DEVICES", "ANDROID EMULATORS"}));
        f.list()->refreshButton()->click();
        QTRY_VERIFY(f.adb.invocations().size() > 4);
        QTRY_VERIFY(!f.devices.isLoading());
        QVERIFY(f.xcode.invocations(Tool::Simctl).isEmpty());
    }
};

QTEST_MAIN(tst_DestinationPicker)
#include "tst_DestinationPicker.moc"
