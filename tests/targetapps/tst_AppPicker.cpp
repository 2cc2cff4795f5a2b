#include "DeviceFixtures.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "FindChild.h"
#include "TestEnvironment.h"
#include "ToolDocuments.h"

#include "destinations/RememberedSelection.h"
#include "destinations/RunDestinationManager.h"
#include "targetapps/AppListModel.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/ui/AppListView.h"
#include "targetapps/ui/BundleIdSelectorToolbarContent.h"
#include "toolchain/AdbLocator.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/PopoverStateView.h"
#include "widgets/SearchField.h"

#include <QAbstractItemModelTester>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QTest>

namespace {

using Tool = FakeXcode::Tool;
using State = BundleIdSelectorToolbarContent::PopoverState;

using DeviceFixtures::phone;
using DeviceFixtures::simulator;
using DeviceFixtures::tablet;

const QStringList threeApps{"Maps=com.example.maps", "Notes=com.example.notes",
                            "Weather=com.example.zephyr"};

// Everything one picker needs, in the order it must be created and destroyed.
struct Fixture {
    explicit Fixture(const QStringList& apps = threeApps) {
        setApps(apps);
        bundleIds.setXcodeURL(xcode.url());
        // Laid out and on screen as in the window, so clicks land where the button is.
        auto* layout = new QHBoxLayout(&toolbar);
        layout->addWidget(picker);
        toolbar.resize(400, 40);
        toolbar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toolbar));
    }

    void setApps(const QStringList& apps, double delay = 0) { xcode.setApps(apps, {}, delay); }

    int appsCalls() const {
        int count = 0;
        for (const auto& call : xcode.invocations(Tool::Devicectl))
            count += call.arguments.join(u' ').contains(QLatin1String("info apps"));
        return count;
    }

    [[nodiscard]] std::optional<State> state() const { return picker->popoverState(); }
    [[nodiscard]] PopoverStateView* stateView() const {
        return qobject_cast<PopoverStateView*>(picker->popover()->content());
    }
    // The open list, with a tester watching its model.
    [[nodiscard]] AppListView* list() {
        auto* view = qobject_cast<AppListView*>(picker->popover()->content());
        if (view && !tester)
            tester = std::make_unique<QAbstractItemModelTester>(view->model());
        return view;
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    RunDestinationManager devices;
    BundleIdManager bundleIds;
    QWidget toolbar;
    BundleIdSelectorToolbarContent* picker =
        new BundleIdSelectorToolbarContent(bundleIds, devices, &toolbar);
    std::unique_ptr<QAbstractItemModelTester> tester;

    [[nodiscard]] QStringList rowNames() {
        QStringList names;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            names.append(list()->model()->index(row).data().toString());
        return names;
    }
};

} // namespace

class tst_AppPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shownOnlyForAPhysicalDestination() {
        Fixture f;
        QVERIFY(!f.picker->button()->isVisibleTo(f.picker));
        f.devices.selectDevice(simulator);
        QVERIFY(!f.picker->button()->isVisibleTo(f.picker));
        QCOMPARE(f.appsCalls(), 0);

        f.devices.selectDevice(phone);
        QVERIFY(f.picker->button()->isVisibleTo(f.picker));
        QCOMPARE(f.picker->title(), QStringLiteral("Loading..."));
        QTRY_COMPARE(f.picker->title(), QStringLiteral("Maps"));

        // Away to a simulator and back: the list was kept, so the load costs nothing.
        f.devices.selectDevice(simulator);
        QVERIFY(!f.picker->button()->isVisibleTo(f.picker));
        f.devices.selectDevice(phone);
        QCOMPARE(f.appsCalls(), 1);
    }

    void anotherDeviceNeverShowsTheAppOfTheLastOne_data() {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("title"); // once the other device's load ended
        QTest::addRow("its list arrives") << false << "Atlas";
        QTest::addRow("its list fails") << true << "No Apps";
    }
    void anotherDeviceNeverShowsTheAppOfTheLastOne() {
        QFETCH(bool, fails);
        QFETCH(QString, title);
        Fixture f;
        f.xcode.setScenario(Tool::Devicectl, {.file = ToolDocuments::png(Qt::red)},
                            QStringLiteral("--app-bundle-id com.example.maps "));
        f.devices.selectDevice(phone);
        QTRY_VERIFY(f.picker->showsAppIcon());
        QCOMPARE(f.picker->title(), QStringLiteral("Maps"));

        if (fails)
            f.xcode.setScenario(Tool::Devicectl,
                                {.standardError = "ERROR: Connection reset\n",
                                 .exitStatus = 1,
                                 .delaySeconds = 0.3},
                                QStringLiteral("device info apps --device DEV-2"));
        else
            f.xcode.setApps({"Atlas=com.example.atlas"}, QStringLiteral("DEV-2"), 0.3);
        f.devices.selectDevice(tablet);
        QVERIFY(f.bundleIds.isLoading());
        QCOMPARE(f.picker->title(), QStringLiteral("Loading..."));
        QVERIFY(!f.picker->showsAppIcon());
        QTRY_VERIFY(!f.bundleIds.isLoading());
        QCOMPARE(f.picker->title(), title);
        QVERIFY(!f.picker->showsAppIcon());

        // Back to the phone, whose list is still there: its app again, at once.
        f.devices.selectDevice(phone);
        QCOMPARE(f.picker->title(), fails ? QStringLiteral("Maps") : QStringLiteral("Loading..."));
    }

    void errorMessages_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        const QString connect =
            "Could not connect to device. Make sure the device is unlocked and trusted.";
        QTest::addRow("Connection reset") << "Connection reset by peer" << connect;
        QTest::addRow("connection wins over NWError")
            << "Network.NWError: connection refused" << connect;
        QTest::addRow("NWError") << "Network.NWError error 54"
                                 << "Network connection lost. Check USB cable and try again.";
        QTest::addRow("CoreDeviceError")
            << "com.apple.dt.CoreDeviceError error 4000"
            << "Device communication error. Unlock device and reconnect if needed.";
        QTest::addRow("case matters") << "CONNECTION LOST"
                                      << "Failed to load apps. Please try again.";
    }
    void errorMessages() {
        QFETCH(QString, description);
        QFETCH(QString, message);
        QCOMPARE(BundleIdSelectorToolbarContent::errorMessage(description), message);
    }

    void retryAfterAnErrorKeepsTheChosenName() {
        Fixture f;
        f.devices.selectDevice(phone);
        QTRY_COMPARE(f.bundleIds.apps().size(), 3);

        f.xcode.setScenario(Tool::Devicectl,
                            {.standardError = "ERROR: Connection reset by peer\n", .exitStatus = 1},
                            QStringLiteral("device info apps"));
        f.picker->setShowingPopover(true);
        f.picker->reload();
        QTRY_COMPARE(f.state(), State::Error);
        QCOMPARE(f.stateView()->headline(), QStringLiteral("Connection Error"));
        QCOMPARE(f.stateView()->caption(),
                 QStringLiteral(
                     "Could not connect to device. Make sure the device is unlocked and trusted."));
        QCOMPARE(child<QPushButton>(f.stateView(), "stateButton")->text(), QStringLiteral("Retry"));

        f.setApps({"Maps=com.example.maps", "Atlas=com.example.atlas"}, 0.3);
        child<QPushButton>(f.stateView(), "stateButton")->click();
        QCOMPARE(f.state(), State::Loading);
        QCOMPARE(f.stateView()->caption(), QStringLiteral("Loading apps..."));
        QCOMPARE(f.picker->title(), QStringLiteral("Maps")); // the name wins over Loading
        QTRY_COMPARE(f.state(), State::List);
        QCOMPARE(f.rowNames(), (QStringList{"Atlas", "Maps"}));
    }

    void emptyListOffersRefresh() {
        Fixture f(QStringList{});
        f.devices.selectDevice(phone);
        QTRY_VERIFY(!f.bundleIds.isLoading());
        QCOMPARE(f.picker->title(), QStringLiteral("No Apps"));
        f.picker->setShowingPopover(true);
        QCOMPARE(f.state(), State::Empty);
        QCOMPARE(f.stateView()->headline(), QStringLiteral("No apps found"));
        QCOMPARE(f.stateView()->caption(), QStringLiteral("Make sure the device is unlocked"));

        f.setApps(threeApps);
        child<QPushButton>(f.stateView(), "stateButton")->click();
        QTRY_COMPARE(f.state(), State::List);
        QCOMPARE(f.appsCalls(), 2);
    }

    void searchByNameOrBundleIdentifier_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("rows");
        QTest::addRow("name, any case") << "mAPS" << QStringList{"Maps"};
        QTest::addRow("bundle identifier only") << "zephyr" << QStringList{"Weather"};
        QTest::addRow("nothing") << "xyz" << QStringList{"No apps match \"xyz\""};
    }
    void searchByNameOrBundleIdentifier() {
        QFETCH(QString, search);
        QFETCH(QStringList, rows);
        Fixture f;
        f.devices.selectDevice(phone);
        QTRY_COMPARE(f.bundleIds.apps().size(), 3);
        f.picker->setShowingPopover(true);
        QTest::keyClicks(f.list()->searchField(), search);
        QCOMPARE(f.rowNames(), rows);
        QCOMPARE(f.list()->model()->isNoMatchRow(), rows.first().startsWith("No apps match"));

        // Clearing the search shows every app again.
        f.list()->searchField()->selectAll();
        QTest::keyClick(f.list()->searchField(), Qt::Key_Backspace);
        QCOMPARE(f.rowNames().size(), 3);
    }

    // Return takes the highlighted row (the arrows only highlight), a click the row clicked.
    void returnOrClickChoosesTheApp() {
        Fixture f;
        f.devices.selectDevice(phone);
        QTRY_COMPARE(f.bundleIds.apps().size(), 3);
        f.picker->button()->click();
        SearchField* search = f.list()->searchField();
        QTRY_VERIFY(search->hasFocus());
        QTest::keyClick(search, Qt::Key_Down); // from Maps (selected) to Notes
        QCOMPARE(f.list()->list()->currentIndex().row(), 1);
        QCOMPARE(f.picker->selection(), std::optional<QString>("com.example.notes"));
        QCOMPARE(f.bundleIds.selectedApp()->name(), QStringLiteral("Maps"));
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(!f.picker->showingPopover());
        QCOMPARE(f.bundleIds.selectedApp()->name(), QStringLiteral("Notes"));

        f.picker->button()->click();
        QListView* list = f.list()->list();
        const QRect row = list->visualRect(list->model()->index(2, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QVERIFY(!f.picker->popover()->isVisible());
        QCOMPARE(RememberedSelection::bundleId(), std::optional<QString>("com.example.zephyr"));
        QCOMPARE(f.picker->title(), QStringLiteral("Weather"));
        // Opened again: that row is checked and highlighted.
        f.picker->button()->click();
        const QModelIndex checked = f.list()->model()->index(2);
        QVERIFY(checked.data(AppListModel::IsSelectedRole).toBool());
        QCOMPARE(f.list()->list()->currentIndex(), checked);
    }

    void androidOffersAnyAppFirst() {
        Fixture f;
        FakeAdb adb(f.env.path(), true);
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        f.devices.selectDevice(DeviceFixtures::emulator);
        QVERIFY(f.picker->button()->isVisibleTo(f.picker));
        QTRY_COMPARE(f.picker->title(), QStringLiteral("Any App"));
        f.picker->button()->click();
        QCOMPARE(f.rowNames(), (QStringList{"Any App", "com.example.chat", "com.example.news",
                                            "com.example.shop"}));
        const QModelIndex any = f.list()->model()->index(0);
        QCOMPARE(any.data(Qt::AccessibleTextRole).toString(), QStringLiteral("Any App, selected"));
        QCOMPARE(any.data(AppListModel::PlaceholderSymbolRole).toString(),
                 QStringLiteral("android"));
        SearchField* search = f.list()->searchField();
        QTRY_VERIFY(search->hasFocus());
        QTest::keyClick(search, Qt::Key_Down);
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(f.picker->title(), QStringLiteral("com.example.chat"));

        // Back to Any App by the keyboard: its empty identifier is a choice like any other.
        f.picker->button()->click();
        search = f.list()->searchField();
        QTRY_VERIFY(search->hasFocus());
        QTest::keyClick(search, Qt::Key_Up);
        QCOMPARE(f.picker->selection(), std::optional<QString>(QString()));
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(f.picker->title(), QStringLiteral("Any App"));
        QCOMPARE(RememberedSelection::package(QStringLiteral("emulator-5554")), QString());
    }
};

QTEST_MAIN(tst_AppPicker)
#include "tst_AppPicker.moc"
