#include "window/ui/WindowCommands.h"

#include "execution/AutomatedRun.h"
#include "platform/AppSettings.h"
#include "platform/SymbolImage.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/ToolbarPicker.h"
#include "window/WindowState.h"
#include "window/ui/AddCollectionBottomToolbarButtonView.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/Firing.h"
#include "window/ui/QrCodeDialog.h"
#include "window/ui/QuickOpenBar.h"
#include "window/ui/RootSearchField.h"
#include "window/ui/RootView.h"
#include "window/ui/SideBarView.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>

WindowCommands::WindowCommands(QObject* parent)
    : QObject(parent) {
    m_openUrl = add(tr("Open URL\u2026"), QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(m_openUrl, &QAction::triggered, this, [this] {
        if (m_root)
            m_root->quickOpen()->open();
    });

    m_execute = add(tr("Execute"), QKeySequence(Qt::CTRL | Qt::Key_Return));
    // The keypad's Enter too, without showing a second shortcut in the menu.
    m_execute->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(m_execute, &QAction::triggered, this, [this] {
        if (DeeplinkCollectionDetailView* view = detailView())
            view->execute(selectedDeeplink());
    });
    m_newDeeplink = add(tr("New Deeplink"), QKeySequence::New);
    connect(m_newDeeplink, &QAction::triggered, this, [this] {
        if (DeeplinkCollectionDetailView* view = detailView())
            view->addDeeplink();
    });
    m_deleteDeeplink = add(tr("Delete Deeplink"));
    connect(m_deleteDeeplink, &QAction::triggered, this, &WindowCommands::deleteSelectedDeeplink);
    m_copyUrl = add(tr("Copy URL"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(m_copyUrl, &QAction::triggered, this, [this] {
        if (const Deeplink* deeplink = selectedDeeplink())
            QGuiApplication::clipboard()->setText(deeplink->urlString());
    });
    m_showQrCode = add(tr("Show QR Code"));
    connect(m_showQrCode, &QAction::triggered, this, [this] {
        Firing::withUrlFor(m_root ? m_root->window() : nullptr, selectedDeeplink(),
                           &QrCodeDialog::showFor);
    });
    m_copyCommand = add(tr("Copy Command"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    connect(m_copyCommand, &QAction::triggered, this, [this] {
        Firing::withUrlFor(m_root ? m_root->window() : nullptr, selectedDeeplink(),
                           [this](const QString& url, QWidget*) { Q_EMIT commandRequested(url); });
    });

    m_newCollection = add(tr("New Collection\u2026"));
    connect(m_newCollection, &QAction::triggered, this, [this] { openCollectionEditor(false); });
    m_import = add(tr("Import\u2026"));
    connect(m_import, &QAction::triggered, this, [this] { openCollectionEditor(true); });
    m_editCollection = add(tr("Edit Collection\u2026"));
    connect(m_editCollection, &QAction::triggered, this, [this] {
        DeeplinkCollectionDetailView* view = detailView();
        if (!view || !view->deeplinkCollection())
            return;
        AddDeeplinkCollectionView::openEditor(m_root->splitView()->state()->context(),
                                              view->deeplinkCollection(), m_root->window());
    });
    m_pin = add(tr("Pin Collection"));
    connect(m_pin, &QAction::triggered, this, [this] {
        if (DeeplinkCollectionDetailView* view = detailView())
            view->pinAction()->toggle();
    });
    m_export = add(tr("Export\u2026"));
    connect(m_export, &QAction::triggered, this, [this] {
        if (DeeplinkCollectionDetailView* view = detailView())
            view->exportAction()->trigger();
    });
    m_run = add(tr("Start Automated Run"), QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_run, &QAction::triggered, this, [this] {
        if (AutomatedRun* run = automatedRun())
            run->toggle();
    });
    m_intervals = new QActionGroup(this);
    m_intervals->setExclusive(true);
    for (const int seconds : AutomatedRun::intervals) {
        QAction* interval = add(tr("%1 Seconds").arg(seconds));
        interval->setCheckable(true);
        m_intervals->addAction(interval);
        connect(interval, &QAction::triggered, this, [this, seconds] {
            if (AutomatedRun* run = automatedRun())
                run->chooseInterval(seconds);
        });
    }

    m_find = add(tr("Search"), QKeySequence::Find);
    connect(m_find, &QAction::triggered, this, [this] {
        // The field lives in the toolbar, which is rebuilt apart from the root view.
        if (RootSearchField* field = m_root ? m_root->searchField() : nullptr)
            field->activate();
    });
    m_chooseDestination =
        add(tr("Choose Destination\u2026"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    connect(m_chooseDestination, &QAction::triggered, this, [this] {
        if (m_destinationPicker)
            m_destinationPicker->setShowingPopover(true);
    });
    m_chooseApp = add(tr("Choose App\u2026"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    connect(m_chooseApp, &QAction::triggered, this, [this] {
        if (m_appPicker)
            m_appPicker->setShowingPopover(true);
    });
    m_launchCold =
        addOption(tr("Launch Cold"), QStringLiteral("snowflake"),
                  tr("Stop the app before each firing, so the link starts it"), launchColdKey);
    m_captureScreen =
        addOption(tr("Capture Screen"), QStringLiteral("camera"),
                  tr("Take a screenshot of the destination after each firing"), captureScreenKey);
    update();
}

QAction* WindowCommands::addOption(const QString& text, const QString& symbol,
                                   const QString& toolTip, QStringView key) {
    QAction* option = add(text);
    option->setIcon(SymbolImage::icon(symbol));
    option->setToolTip(toolTip);
    option->setCheckable(true);
    option->setChecked(AppSettings::standard()->value(key.toString(), false).toBool());
    connect(option, &QAction::toggled, this,
            [key](bool checked) { AppSettings::standard()->setValue(key.toString(), checked); });
    return option;
}

QAction* WindowCommands::add(const QString& text, const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

QList<QAction*> WindowCommands::intervals() const {
    return m_intervals->actions();
}

void WindowCommands::setRootView(RootView* root) {
    m_root = root;
    if (root) {
        WindowState* state = root->splitView()->state();
        // Connected after the split view's own handlers, which rebuild the detail view first.
        connect(state, &WindowState::selectedDeeplinkCollectionChanged, this,
                &WindowCommands::watchDetailView);
        connect(state, &WindowState::selectedDeeplinkChanged, this, &WindowCommands::update);
        // A deeplink's URL decides whether there is anything to execute or copy.
        if (ManagedObjectContext* context = state->context())
            connect(context, &ManagedObjectContext::objectChanged, this, &WindowCommands::update);
        // Queued: a widget announces its destruction while it is still half there.
        connect(root, &QObject::destroyed, this, &WindowCommands::update, Qt::QueuedConnection);
    }
    watchDetailView();
}

void WindowCommands::setPickers(ToolbarPicker* destination, ToolbarPicker* app) {
    m_destinationPicker = destination;
    m_appPicker = app;
    // The app picker's button is there only while a device is the destination.
    if (app)
        app->button()->installEventFilter(this);
    update();
}

bool WindowCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        update();
    return QObject::eventFilter(watched, event);
}

DeeplinkCollectionDetailView* WindowCommands::detailView() const {
    return m_root ? m_root->splitView()->detailView() : nullptr;
}

AutomatedRun* WindowCommands::automatedRun() const {
    DeeplinkCollectionDetailView* view = detailView();
    return view ? view->run() : nullptr;
}

void WindowCommands::watchDetailView() {
    if (m_watchedView != detailView()) {
        if (m_watchedView) {
            disconnect(m_watchedView->run(), nullptr, this, nullptr);
            disconnect(m_watchedView, nullptr, this, nullptr);
        }
        m_watchedView = detailView();
        if (m_watchedView) {
            connect(m_watchedView->run(), &AutomatedRun::stateChanged, this,
                    &WindowCommands::update);
            connect(m_watchedView, &DeeplinkCollectionDetailView::commandRequested, this,
                    &WindowCommands::commandRequested);
        }
    }
    update();
}

void WindowCommands::update() {
    DeeplinkCollectionDetailView* view = detailView();
    const DeeplinkCollection* collection = view ? view->deeplinkCollection() : nullptr;
    const Deeplink* deeplink = selectedDeeplink();
    const bool hasUrl = deeplink && !deeplink->urlString().isEmpty();
    const AutomatedRun* run = automatedRun();
    const bool running = run && run->state() == StateCase::Running;

    for (QAction* always : {m_openUrl, m_newCollection, m_import, m_find})
        always->setEnabled(m_root != nullptr);
    m_execute->setEnabled(view && hasUrl);
    m_copyUrl->setEnabled(hasUrl);
    m_showQrCode->setEnabled(hasUrl);
    m_copyCommand->setEnabled(hasUrl);
    m_deleteDeeplink->setEnabled(deeplink != nullptr);
    for (QAction* ofCollection : {m_newDeeplink, m_editCollection, m_pin, m_export, m_run})
        ofCollection->setEnabled(collection != nullptr);
    m_pin->setText(collection && collection->isPinned() ? tr("Unpin Collection")
                                                        : tr("Pin Collection"));
    m_run->setText(running ? tr("Stop Automated Run") : tr("Start Automated Run"));
    // As in the run button's menu: an interval is chosen to start a run, not during one.
    for (qsizetype i = 0; i < intervals().size(); ++i) {
        QAction* interval = intervals().at(i);
        interval->setEnabled(run && !running);
        interval->setChecked(run && run->time() == AutomatedRun::intervals.at(size_t(i)));
    }
    m_chooseDestination->setEnabled(m_root && m_destinationPicker);
    m_chooseApp->setEnabled(m_root && m_appPicker && !m_appPicker->button()->isHidden());
}

Deeplink* WindowCommands::selectedDeeplink() const {
    return m_root ? m_root->splitView()->state()->selectedDeeplink() : nullptr;
}

void WindowCommands::deleteSelectedDeeplink() {
    Deeplink* deeplink = selectedDeeplink();
    ManagedObjectContext* context = deeplink ? deeplink->managedObjectContext() : nullptr;
    if (!context)
        return;
    // A failed save brings the deeplink back, and its selection with it.
    (void)context->deleteAndSave({deeplink});
}

void WindowCommands::openCollectionEditor(bool import) {
    if (!m_root)
        return;
    AddCollectionBottomToolbarButtonView* button = m_root->splitView()->sideBar()->addButton();
    button->setAddCollectionViewPresented(true);
    if (import)
        button->sheet()->setTabType(AddDeeplinkCollectionView::TabType::Import);
}
