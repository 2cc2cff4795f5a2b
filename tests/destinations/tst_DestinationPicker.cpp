#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "destinations/DeviceListModel.h"
#include "destinations/DeviceListView.h"
#include "destinations/DeviceRowButton.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/TargetSelectorButton.h"
#include "destinations/TargetSelectorToolbarContent.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/PopoverStateView.h"
#include "widgets/SearchField.h"

#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <QCoro/QCoroTask>

namespace {

using Tool = FakeXcode::Tool;
using State = TargetSelectorToolbarContent::PopoverState;

const QByteArray simulators = R"({"devices": {
    "com.apple.CoreSimulator.SimRuntime.iOS-17-2": [{"udid": "S1", "name": "iPhone 15", "state": "Booted"}],
    "com.apple.CoreSimulator.SimRuntime.iOS-17-0": [{"udid": "S2", "name": "iPad Air", "state": "Shutdown"}],
    "com.apple.CoreSimulator.SimRuntime.tvOS-17-2": [{"udid": "S3", "name": "Apple TV 4K", "state": "Shutdown"}],
    "com.apple.CoreSimulator.SimRuntime.macOS-14-2": [{"udid": "S4", "name": "Designed for iPad", "state": "Shutdown"}]}})";
const QByteArray physical = R"({"result": {"devices": [{"identifier": "D1",
    "deviceProperties": {"name": "Kim’s iPhone", "osVersionNumber": "17.2.1", "bootState": "booted"},
    "hardwareProperties": {"platform": "iOS"}}]}})";
const QByteArray noSimulators = R"({"devices": {}})";
const QByteArray noDevices = R"({"result": {"devices": []}})";

struct Fixture {
    Fixture() {
        xcode.setScenario(Tool::Simctl, {.standardOutput = simulators});
        xcode.setScenario(Tool::Devicectl, {.file = physical});
        toolbar.show();
    }

    void fetch() { QCoro::waitFor(devices.fetchDevices(xcode.url())); }

    [[nodiscard]] DeviceListView* list() const {
        return qobject_cast<DeviceListView*>(picker->popover()->content());
    }
    [[nodiscard]] PopoverStateView* stateView() const {
        return qobject_cast<PopoverStateView*>(picker->popover()->content());
    }
    [[nodiscard]] QStringList names() const {
        QStringList names;
        for (const Device& device : list()->model()->filteredDevices())
            names.append(device.name);
        return names;
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    RunDestinationManager devices;
    QWidget toolbar;
    TargetSelectorToolbarContent* picker = new TargetSelectorToolbarContent(devices, &toolbar);
};

} // namespace

class tst_DestinationPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void symbols_data();
    void symbols();
    void sectionTitles_data();
    void sectionTitles();
    void labelWhileLoadingAndWithoutDevices();
    void searchRegroupsAndReportsNoMatch();
    void choosingARowClosesAndRelabels();
    void arrowKeysSelectButKeepThePopoverOpen();
    void refreshNeedsAnXcodeLocation();
};

void tst_DestinationPicker::symbols_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("toolbar");
    QTest::addColumn<QString>("row");
    const auto add = [](const char* name, const char* device, const char* toolbar,
                        const char* row) {
        QTest::addRow("%s", name) << QString(device) << QString(toolbar) << QString(row);
    };
    add("iPad", "iPad Air", "ipad", "ipad");
    add("iPad wins over TV", "iPad TV Edition", "ipad", "ipad");
    add("TV", "Apple TV 4K", "appletv", "appletv.fill");
    add("case matters", "ipad mini", "iphone", "iphone");
}

void tst_DestinationPicker::symbols() {
    QFETCH(QString, name);
    QFETCH(QString, toolbar);
    QFETCH(QString, row);
    Device device;
    device.name = name;
    QCOMPARE(TargetSelectorButton::symbolName(device), toolbar);
    QCOMPARE(DeviceRowButton::symbolName(device), row);
}

void tst_DestinationPicker::sectionTitles_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    const auto add = [](const char* name, const char* key, const char* title) {
        QTest::addRow("%s", name) << QString(key) << QString(title);
    };
    add("iOS", "iOS", "IOS SIMULATORS");
    add("physical, other platform", "watchOS Devices", "WATCHOS DEVICES");
}

void tst_DestinationPicker::sectionTitles() {
    QFETCH(QString, key);
    QFETCH(QString, title);
    QCOMPARE(DeviceListModel::sectionTitle(key), title);
}

void tst_DestinationPicker::labelWhileLoadingAndWithoutDevices() {
    Fixture f;
    f.xcode.setScenario(Tool::Simctl, {.standardOutput = noSimulators, .delaySeconds = 0.3});
    f.xcode.setScenario(Tool::Devicectl, {.file = noDevices});
    auto fetch = f.devices.fetchDevices(f.xcode.url());
    QCOMPARE(f.picker->label()->title(), QStringLiteral("Loading..."));
    QCOMPARE(f.picker->label()->symbol(), QStringLiteral("iphone.slash"));
    f.picker->button()->click();
    QCOMPARE(f.stateView()->caption(), QStringLiteral("Loading devices..."));
    QCoro::waitFor(std::move(fetch));

    QCOMPARE(f.picker->label()->title(), QStringLiteral("No Device"));
    QCOMPARE(f.stateView()->headline(), QStringLiteral("No devices found"));
    QCOMPARE(f.picker->button()->toolTip(), QStringLiteral("Select target device for deeplinks"));
}

void tst_DestinationPicker::searchRegroupsAndReportsNoMatch() {
    Fixture f;
    f.fetch();
    f.picker->setShowingPopover(true);
    QCOMPARE(f.list()->model()->sectionTitles(),
             (QStringList{"IOS DEVICES", "IOS SIMULATORS", "MACOS SIMULATORS", "TVOS SIMULATORS"}));

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

void tst_DestinationPicker::choosingARowClosesAndRelabels() {
    Fixture f;
    f.fetch();
    QCOMPARE(f.picker->label()->title(), QStringLiteral("iPhone 15")); // the booted simulator
    f.picker->button()->click();
    QListView* list = f.list()->list();
    const int row = f.list()->model()->rowOf(QStringLiteral("S3"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(f.list()->model()->index(row)).center());

    QVERIFY(!f.picker->popover()->isVisible());
    QCOMPARE(f.devices.selectedDevice()->id, QStringLiteral("S3"));
    QCOMPARE(f.picker->label()->title(), QStringLiteral("Apple TV 4K"));
    QCOMPARE(f.picker->label()->symbol(), QStringLiteral("appletv"));
}

void tst_DestinationPicker::arrowKeysSelectButKeepThePopoverOpen() {
    Fixture f;
    f.fetch();
    f.picker->button()->click();
    SearchField* search = f.list()->searchField();
    QTRY_VERIFY(search->hasFocus());
    // The list starts at the selected destination; title rows are skipped.
    QCOMPARE(f.list()->list()->currentIndex().data(DeviceListModel::DeviceIdRole).toString(),
             QStringLiteral("S1"));
    QTest::keyClick(search, Qt::Key_Up);
    QCOMPARE(f.devices.selectedDevice()->id, QStringLiteral("D1"));
    QVERIFY(f.picker->popover()->isVisible());
    QCOMPARE(f.picker->label()->title(), QStringLiteral("Kim’s iPhone"));
    QTest::keyClick(search, Qt::Key_Return);
    QVERIFY(!f.picker->showingPopover());
}

void tst_DestinationPicker::refreshNeedsAnXcodeLocation() {
    Fixture f;
    // No fetch yet, so no Xcode location: the empty state's Refresh does nothing.
    f.picker->setShowingPopover(true);
    QCOMPARE(f.picker->popoverState(), State::Empty);
    f.stateView()->button()->click();
    QVERIFY(!f.devices.isLoading());
    QVERIFY(f.xcode.invocations(Tool::Simctl).isEmpty());

    f.fetch();
    QCOMPARE(f.xcode.invocations(Tool::Simctl).size(), 1);
    QCOMPARE(f.picker->popoverState(), State::List);
    f.list()->refreshButton()->click();
    QTRY_COMPARE(f.xcode.invocations(Tool::Simctl).size(), 2);
}

QTEST_MAIN(tst_DestinationPicker)
#include "tst_DestinationPicker.moc"
