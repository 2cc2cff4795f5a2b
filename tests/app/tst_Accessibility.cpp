#include "AppFixture.h"

#include "destinations/RunDestinationManager.h"
#include "destinations/ui/TargetSelectorToolbarContent.h"
#include "store/FiringHistory.h"
#include "targetapps/ui/BundleIdSelectorToolbarContent.h"
#include "updates/ui/UpdateAlert.h"
#include "widgets/Popover.h"
#include "window/ui/AddCollectionBottomToolbarButtonView.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/EmojiWell.h"
#include "window/ui/HistoryWindow.h"
#include "window/ui/QuickOpenBar.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

// What a screen reader says for a control nobody gave words: nothing, a bare number, or the id
// of the symbol it shows ("square.and.arrow.up", captured).
const QRegularExpression noWords(QStringLiteral("^(?:\\s*|\\d+|([a-z]+(?:\\.[a-z]+)+))$"));

bool isInput(QAccessible::Role role) {
    using A = QAccessible;
    return QList<A::Role>{A::PushButton,   A::CheckBox,   A::RadioButton,    A::ComboBox,
                          A::EditableText, A::List,       A::Table,          A::Tree,
                          A::PageTabList,  A::ButtonMenu, A::ButtonDropDown, A::SpinBox}
        .contains(role);
}

bool isItem(QAccessible::Role role) {
    using A = QAccessible;
    return QList<A::Role>{A::ListItem,    A::Cell,     A::TreeItem,     A::PageTab,
                          A::RadioButton, A::MenuItem, A::ColumnHeader, A::RowHeader}
        .contains(role);
}

// Walks the accessible tree under `node`: every name read goes to `names` (with the
// description after a comma, as a screen reader reads on), every control or item that reads
// nothing useful and every symbol id to `faults`.
void readTree(QAccessibleInterface* node, QStringList& names, QStringList& faults, int depth = 0) {
    if (!node || !node->isValid() || depth > 30)
        return;
    const QString name = node->text(QAccessible::Name);
    const QString description = node->text(QAccessible::Description);
    const QAccessible::State state = node->state();
    const bool item = isItem(node->role());
    if (!item && state.invisible)
        return;
    names.append(name);
    if (!description.isEmpty() && description != name)
        names.append(name + QStringLiteral(", ") + description);
    const bool acts = isInput(node->role()) || (!item && state.focusable) ||
                      (item && (state.selectable || !name.isEmpty()));
    const QRegularExpressionMatch unreadable = noWords.match(name);
    if (unreadable.hasCaptured(1) || (acts && !state.disabled && unreadable.hasMatch())) {
        QString where = node->object()
                            ? QString::fromLatin1(node->object()->metaObject()->className())
                            : QStringLiteral("item");
        if (node->object() && !node->object()->objectName().isEmpty())
            where += u'#' + node->object()->objectName();
        faults.append(
            QStringLiteral("%1 (role %2) reads \"%3\"").arg(where).arg(node->role()).arg(name));
    }
    // Enough rows of a long list to see how its items read.
    const int children = std::min(node->childCount(), 150);
    for (int i = 0; i < children; ++i)
        readTree(node->child(i), names, faults, depth + 1);
}

// The controls under `root` a keyboard user must reach: what takes focus with Tab and what
// assistive technology presents as an input control.
QList<QWidget*> inputControls(QWidget* root) {
    QList<QWidget*> controls;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisible() || !widget->isEnabled() || widget->window() != root->window() ||
            qobject_cast<QScrollBar*>(widget) || qobject_cast<QLineEdit*>(widget->parentWidget()) ||
            qobject_cast<QTabBar*>(widget->parentWidget()))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if ((widget->focusPolicy() & Qt::TabFocus) || (accessible && isInput(accessible->role())))
            controls.append(widget);
    }
    return controls;
}

// Presses Tab from the window's focus (or its first widget that takes focus with Tab) until
// the focus comes back to a widget it was on.
QList<QWidget*> tabChain(QWidget* window) {
    QList<QWidget*> chain;
    window->windowHandle()->requestActivate();
    if (!QTest::qWaitFor([window] { return window->isActiveWindow(); }))
        return chain;
    for (QWidget* first = window->nextInFocusChain();
         first != window &&
         (!QApplication::focusWidget() || QApplication::focusWidget()->window() != window);
         first = first->nextInFocusChain()) {
        if ((first->focusPolicy() & Qt::TabFocus) && first->isVisible() && first->isEnabled() &&
            first->window() == window)
            first->setFocus(Qt::TabFocusReason);
    }
    for (int press = 0; press < 200; ++press) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || chain.contains(focus))
            break;
        chain.append(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return chain;
}

// Reached itself, through its focus proxy or a part of it, or, for one of a group of exclusive
// buttons, through the group (arrow keys move within it, as among radio buttons).
bool reached(QWidget* control, const QList<QWidget*>& chain) {
    auto* button = qobject_cast<QAbstractButton*>(control);
    const QButtonGroup* group =
        button && button->group() && button->group()->exclusive() ? button->group() : nullptr;
    for (QWidget* focus : chain) {
        if (focus == control || control->isAncestorOf(focus) || control->focusProxy() == focus)
            return true;
        if (auto* other = qobject_cast<QAbstractButton*>(focus);
            group && other && other->group() == group)
            return true;
    }
    return false;
}

// Whether `layout`, or a layout nested in it, holds `widget`.
bool holds(QLayout* layout, QWidget* widget) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget || (item->layout() && holds(item->layout(), widget)))
            return true;
    }
    return false;
}

QString describe(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return QStringLiteral("%1#%2 \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(),
             accessible ? accessible->text(QAccessible::Name) : QString());
}

// `window` once it is on the screen, else null.
QWidget* exposed(QWidget* window) {
    return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

// The whole application on a stand-in Xcode: one booted simulator, one physical phone with
// two apps, and (when `filled`) a pinned and an unpinned collection.
struct Fixture : AppFixture {
    explicit Fixture(bool xcodeChosen, bool filled) {
        QAccessible::setActive(true);
        xcode.setPhones({"P1|Test iPhone|booted"});
        xcode.setApps({"Maps=com.example.maps", "Weather=com.example.zephyr"});
        if (filled) {
            using StoreBuilders::addDeeplink;
            DeeplinkCollection* shop =
                StoreBuilders::addCollection(context(), QStringLiteral("Shop"), true);
            addDeeplink(context(), shop, QStringLiteral("Product page"),
                        QStringLiteral("shop://item/42"));
            addDeeplink(context(), shop, QStringLiteral("Cart"), QStringLiteral("shop://cart"));
            addDeeplink(context(), fill(QStringLiteral("Home")), QStringLiteral("Start"),
                        QStringLiteral("home://start"));
            save();
        }
        start(xcodeChosen);
        window()->resize(1100, 700);
    }

    [[nodiscard]] QMainWindow* window() const { return app->window(); }
    template <typename T> T* find(const QString& name = {}) const {
        return window()->findChild<T*>(name);
    }

    // Chooses the first selectable row of the list named `name`.
    void choose(const QString& name) const {
        auto* list = find<QAbstractItemView>(name);
        QVERIFY(list);
        QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QModelIndex index = model->index(row, 0);
            if (!(model->flags(index) & Qt::ItemIsSelectable) && model->rowCount(index) > 0)
                index = model->index(0, 0, index);
            if (model->flags(index) & Qt::ItemIsSelectable) {
                list->setFocus();
                list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
                return;
            }
        }
        QFAIL("no row to choose");
    }

    // Opens the collection sheet and returns it, on the tab `tab`.
    QWidget* sheet(int tab) const {
        find<AddCollectionBottomToolbarButtonView>()->click();
        QWidget* sheet = exposed(find<AddDeeplinkCollectionView>());
        if (sheet)
            sheet->findChild<QTabWidget*>()->setCurrentIndex(tab);
        return sheet;
    }

    // Opens the toolbar picker `T` and returns its panel once it lists rows.
    template <typename T> QWidget* picker() const {
        auto* picker = find<T>();
        if (!picker)
            return nullptr;
        picker->setShowingPopover(true);
        QWidget* panel = exposed(picker->popover());
        if (!panel)
            return nullptr;
        const auto listed = [panel] {
            auto* list = panel->findChild<QAbstractItemView*>();
            return list && list->isVisible() && list->model()->rowCount() > 0;
        };
        return QTest::qWaitFor(listed, 20000) ? panel : nullptr;
    }
};

// Opens the screen `screen` and returns the window that shows it.
QWidget* open(Fixture& f, const QString& screen) {
    if (screen == u"Xcode selection" || screen == u"empty main window")
        return f.window();
    if (screen == u"history") {
        FiringRecord record{.time = QDateTime::currentDateTime(),
                            .title = QStringLiteral("Product page"),
                            .url = QStringLiteral("shop://item/42"),
                            .destination = QStringLiteral("iPhone 15"),
                            .outcome = {.handler = QStringLiteral("com.example.shop")}};
        if (!f.store.container().history()->record(record))
            return nullptr;
        f.app->showHistory();
        return exposed(f.find<HistoryWindow>());
    }
    if (screen == u"preferences") {
        f.app->showPreferences();
        QWidget* dialog = preferences(*f.app);
        return dialog && QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
    }
    f.choose(QStringLiteral("collectionList"));
    QTest::qWait(0);
    if (screen == u"filled main window") {
        f.choose(QStringLiteral("deeplinkList"));
        return f.window();
    }
    if (screen == u"Quick Open") {
        QTest::keyClick(f.window(), Qt::Key_L, Qt::ControlModifier);
        auto* bar = f.find<QuickOpenBar>();
        return bar && bar->isVisible() ? f.window() : nullptr;
    }
    if (screen == u"edit collection") {
        menuItem(*f.app, u"Edit Collection\u2026")->trigger();
        return exposed(f.find<AddDeeplinkCollectionView>());
    }
    if (screen == u"new collection" || screen == u"import")
        return f.sheet(screen == u"import" ? 1 : 0);
    if (screen == u"emoji picker") {
        QWidget* sheet = f.sheet(0);
        if (!sheet)
            return nullptr;
        sheet->findChild<EmojiWell*>()->click();
        return exposed(sheet->findChild<Popover*>());
    }
    if (screen == u"destination picker")
        return f.picker<TargetSelectorToolbarContent>();
    if (screen == u"app picker") {
        for (const Device& device : f.app->deviceManager().devices()) {
            if (device.id == u"P1")
                f.app->deviceManager().selectDevice(device);
        }
        return f.picker<BundleIdSelectorToolbarContent>();
    }
    if (screen == u"update dialog") {
        AppcastItem item;
        item.title = QStringLiteral("Kestrine 1.1");
        item.shortVersionString = QStringLiteral("1.1");
        item.version = QStringLiteral("110");
        item.releaseNotes = QStringLiteral("Faster imports.");
        item.downloadURL = QUrl(QStringLiteral("https://kestrine.app/Kestrine-1.1.zip"));
        auto* alert = new UpdateAlert(
            UpdateCheckResult{.outcome = UpdateCheckResult::Outcome::UpdateAvailable,
                              .item = item,
                              .currentVersion = QStringLiteral("1.0")},
            f.window());
        // As the updater shows it.
        alert->show();
        alert->raise();
        alert->activateWindow();
        return QTest::qWaitForWindowActive(alert) ? alert : nullptr;
    }
    return nullptr;
}

} // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each screen, as a keyboard and screen-reader user meets it: Tab reaches every control,
    // every control and list item reads words (no symbol ids, no bare numbers), the lists read
    // what is drawn, and a menu (when the row names one) opens from the keyboard with its items
    // as menu items.
    void everyScreenReadsAndIsReachable_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QString>("menuOwner"); // object name of the widget the menu belongs to
        QTest::addColumn<QStringList>("menuItems");
        // The row's name is the screen's, or the screen's and what the row looks at on it.
        const auto row = [](const char* name, const QStringList& reads = {},
                            const QString& menuOwner = {}, const QStringList& menuItems = {}) {
            QTest::newRow(name) << QString::fromUtf8(name).section(u',', 0, 0) << reads << menuOwner
                                << menuItems;
        };
        row("Xcode selection", {"Select Xcode", "Continue without Xcode"});
        row("empty main window");
        row("filled main window, run intervals",
            {"Pinned", "My Collections", "Shop, 2 deeplinks, pinned", "Home, 1 deeplink",
             "Product Page, shop://item/42", "Pin", "Export"},
            "runButton", {"2 Sec", "5 Sec", "10 Sec"});
        row("filled main window, deeplink row menu", {}, "deeplinkList",
            {"Execute", "Show QR Code", "Copy Command"});
        row("filled main window, collection row menu", {}, "collectionList", {"Delete"});
        row("new collection", {"Blue", "Red, selected"});
        row("edit collection", {"Edit collection", "Save"});
        row("import");
        row("Quick Open", {"Open URL", "Add to Collection"});
        row("emoji picker", {"grinning face"});
        row("destination picker", {"iPhone 15, Booted, iOS 17.2, selected"});
        row("app picker", {"Maps, com.example.maps, version 1.0, selected"});
        row("update dialog");
        row("history", {"History", "Firings, newest first", "Product page", "Fire Again",
                        "Opened in com.example.shop"});
        row("preferences",
            {"Choose Xcode", "Choose adb", "Check for updates automatically at start-up",
             "Global variables", "Add Variable", "Close"});
    }

    void everyScreenReadsAndIsReachable() {
        QFETCH(QString, screen);
        QFETCH(QStringList, reads);
        QFETCH(QString, menuOwner);
        QFETCH(QStringList, menuItems);
        Fixture f(screen != u"Xcode selection",
                  screen != u"Xcode selection" && screen != u"empty main window");
        QWidget* window = open(f, screen);
        QVERIFY(window);

        QStringList names;
        QStringList faults;
        readTree(QAccessible::queryAccessibleInterface(window), names, faults);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
        for (const QString& expected : std::as_const(reads)) {
            QVERIFY2(
                names.contains(expected),
                qPrintable(expected + QStringLiteral(" not read; read:\n") + names.join(u'\n')));
        }

        const QList<QWidget*> chain = tabChain(window);
        QStringList missed;
        QStringList loose;
        for (QWidget* control : inputControls(window)) {
            if (!reached(control, chain))
                missed.append(describe(control));
            // A control left out of its parent's layout sits at the corner, over the others.
            QLayout* layout = control->parentWidget()->layout();
            if (layout && !holds(layout, control))
                loose.append(describe(control));
        }
        QVERIFY2(missed.isEmpty(),
                 qPrintable(QStringLiteral("not reached by Tab:\n") + missed.join(u'\n')));
        QVERIFY2(loose.isEmpty(),
                 qPrintable(QStringLiteral("outside its layout:\n") + loose.join(u'\n')));

        if (menuOwner.isEmpty())
            return;
        auto* owner = window->findChild<QWidget*>(menuOwner);
        QVERIFY(owner);
        owner->setFocus(Qt::TabFocusReason);
        // The menu runs its own loop: it is read and closed from inside it.
        QStringList items;
        QTimer::singleShot(100, this, [&items] {
            QWidget* popup = QApplication::activePopupWidget();
            QAccessibleInterface* menu =
                popup ? QAccessible::queryAccessibleInterface(popup) : nullptr;
            for (int i = 0; menu && i < menu->childCount(); ++i) {
                if (menu->child(i)->role() == QAccessible::MenuItem)
                    items.append(menu->child(i)->text(QAccessible::Name));
            }
            if (popup)
                popup->close();
        });
        if (qobject_cast<QAbstractItemView*>(owner)) {
            // The menu key, as the window hands it on: at the current row.
            const QPoint at = owner->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, at, owner->mapToGlobal(at));
            QApplication::sendEvent(owner, &menuKey);
        } else {
            QTest::keyClick(owner, Qt::Key_Down, Qt::AltModifier);
        }
        QTRY_COMPARE(items, menuItems);
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_Accessibility.moc"
