#include "app/KestrineApp.h"

#include "app/PreferencesDialog.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/ui/TargetSelectorToolbarContent.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/AppError.h"
#include "platform/AppIdentity.h"
#include "platform/AppPaths.h"
#include "platform/AppSettings.h"
#include "platform/Logger.h"
#include "platform/ShellQuoting.h"
#include "store/FiringHistory.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/ui/BundleIdSelectorToolbarContent.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "toolchain/ui/XcodeChooser.h"
#include "toolchain/ui/XcodeView.h"
#include "updates/ui/SparkleUpdater.h"
#include "widgets/AfterFirstPaint.h"
#include "widgets/ErrorAlert.h"
#include "widgets/MainWindowActivator.h"
#include "window/ui/FiringStatusLine.h"
#include "window/ui/HistoryWindow.h"
#include "window/ui/RootSearchField.h"
#include "window/ui/RootView.h"
#include "window/ui/WindowCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

#include <QCoro/QCoroTask>

#include <utility>

namespace {

constexpr int minimumWindowWidth = RootView::minimumContentWidth;
constexpr int idealWindowWidth = RootView::idealContentWidth;
constexpr int idealWindowHeight = 900;
const QString windowGeometryKey = QStringLiteral("KestrineApp.windowGeometry");

QCoro::Task<> startUp(QPointer<RunDestinationManager> deviceManager,
                      QPointer<BundleIdManager> bundleIdManager, QUrl xcodeURL) {
    if (!deviceManager || !bundleIdManager)
        co_return;
    // Without Xcode (an empty URL) the fetch asks no Xcode tool.
    deviceManager->configure(xcodeURL);
    bundleIdManager->setXcodeURL(xcodeURL);
    co_await deviceManager->fetchDevices(deviceManager->xcodeURL());
}

} // namespace

KestrineApp::KestrineApp(PersistentContainer& container, QObject* parent)
    : QObject(parent)
    , m_persistence(container)
    , m_deeplinkExecuter(std::make_unique<DeeplinkExecuter>())
    , m_deviceManager(std::make_unique<RunDestinationManager>())
    , m_bundleIdManager(std::make_unique<BundleIdManager>())
    , m_sparkleUpdater(std::make_unique<SparkleUpdater>())
    , m_commands(std::make_unique<KestrineCommands>(container, *m_sparkleUpdater))
    , m_xcodeChooser(std::make_unique<XcodeChooser>()) {
    MainWindowActivator::install();
    m_window = std::make_unique<QMainWindow>();
    m_window->setWindowTitle(QStringLiteral("Kestrine"));
    m_window->setMinimumWidth(minimumWindowWidth);
    QSize size(idealWindowWidth, idealWindowHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    m_window->resize(size.expandedTo(QSize(minimumWindowWidth, 480)));
    // Where the user left it last time.
    m_window->restoreGeometry(AppSettings::standard()->value(windowGeometryKey).toByteArray());
    m_commands->install(m_window.get());
    m_alert = std::make_unique<ErrorAlert>(m_window.get());

    m_toolBar = m_window->addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("windowToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->toggleViewAction()->setEnabled(false);
    m_toolBar->hide();

    connect(m_xcodeChooser.get(), &XcodeChooser::chosen, this, &KestrineApp::saveChosenXcode);
    connect(m_xcodeChooser.get(), &XcodeChooser::errorOccurred, this,
            [this](const ErrorMessage& error) { setError(error); });
    connect(m_commands.get(), &KestrineCommands::selectXcodeRequested, this,
            [this] { m_xcodeChooser->choose(m_window.get()); });
    connect(m_commands.get(), &KestrineCommands::preferencesRequested, this,
            &KestrineApp::showPreferences);
    connect(m_commands.get(), &KestrineCommands::historyRequested, this, &KestrineApp::showHistory);
    connect(m_commands->windowCommands(), &WindowCommands::commandRequested, this,
            &KestrineApp::copyCommand);

    connect(qApp, &QGuiApplication::applicationStateChanged, this, &KestrineApp::save);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &KestrineApp::save);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &KestrineApp::saveBeforeExit);
    buildContent();
}

KestrineApp::~KestrineApp() {
    AppSettings::standard()->setValue(windowGeometryKey, m_window->saveGeometry());
    // The window's views refer to the managers; they go first. What their going away left
    // pending is saved here, the event loop being over.
    m_window.reset();
    saveBeforeExit();
}

XcodeBookmarkManager* KestrineApp::manager() {
    if (!m_manager) {
        m_manager = std::make_unique<XcodeBookmarkManager>();
        connect(m_manager.get(), &XcodeBookmarkManager::stateChanged, this,
                &KestrineApp::buildContent);
    }
    return m_manager.get();
}

void KestrineApp::show() {
    m_window->show();
}

void KestrineApp::clearToolbar() {
    // Deleting the toolbar's own actions takes their widgets with them; the commands' actions
    // stay with the menus.
    const QList<QAction*> actions = m_toolBar->actions();
    m_toolBar->clear();
    for (QAction* action : actions) {
        if (action->parent() == m_toolBar)
            delete action;
    }
    m_toolBar->hide();
}

void KestrineApp::buildContent() {
    const XcodeBookmarkManager::State state = manager()->state();
    const bool withMainContent = state.kind == XcodeBookmarkManager::StateKind::Available ||
                                 state.kind == XcodeBookmarkManager::StateKind::WithoutXcode;
    if (withMainContent && m_root) {
        // Another Xcode under the window that is up: its selection and sheets stay, only the
        // destinations are fetched again. This fetch stands for the first one when that has
        // not started yet.
        const bool first = std::exchange(m_startUpPending, false);
        QCoro::connect(startUp(m_deviceManager.get(), m_bundleIdManager.get(), state.url), this,
                       [this, first] {
                           if (first)
                               Q_EMIT mainContentReady();
                       });
        return;
    }
    clearToolbar();
    switch (state.kind) {
    case XcodeBookmarkManager::StateKind::Loading: {
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        auto* progress = new QProgressBar(content);
        progress->setRange(0, 0);
        progress->setMaximumWidth(240);
        layout->addWidget(progress, 0, Qt::AlignCenter);
        m_window->setCentralWidget(content);
        break;
    }
    case XcodeBookmarkManager::StateKind::Unavailable: {
        auto* screen = new XcodeView(*m_xcodeChooser);
        connect(screen, &XcodeView::continueWithoutXcodeRequested, this,
                [this] { manager()->continueWithoutXcode(); });
        m_window->setCentralWidget(screen);
        break;
    }
    case XcodeBookmarkManager::StateKind::Available:
    case XcodeBookmarkManager::StateKind::WithoutXcode:
        showMainContent(state.url);
        break;
    }
}

void KestrineApp::saveChosenXcode(const QUrl& bundle) {
    try {
        manager()->saveBookmark(bundle);
    } catch (const std::exception& error) {
        setError(ErrorMessage{localizedDescription(error)});
    }
}

void KestrineApp::showPreferences() {
    if (!m_preferences) {
        m_preferences = new PreferencesDialog(*manager(), *m_xcodeChooser, m_window.get());
        m_preferences->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_preferences, &PreferencesDialog::errorOccurred, this,
                [this](const ErrorMessage& error) { setError(error); });
        connect(m_preferences, &PreferencesDialog::adbChanged, this, [this] {
            QCoro::connect(m_deviceManager->fetchDevices(m_deviceManager->xcodeURL()), this, [] {});
        });
    }
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

void KestrineApp::showMainContent(const QUrl& xcodeURL) {
    if (FiringHistory* history = m_persistence.history())
        history->setScreenshotDirectory(screenshotDirectory());
    auto* root = new RootView(
        m_persistence.viewContext(),
        [this](const FiringRequest& request, FiringDone done) { fire(request, std::move(done)); });
    connect(m_commands.get(), &KestrineCommands::toggleSidebarRequested, root,
            &RootView::toggleSidebar);
    m_window->setCentralWidget(root);
    m_root = root;
    m_commands->windowCommands()->setRootView(root);
    buildToolbar(root);

    // The tools take long to answer and compete with the window for the processor: they are
    // asked once the stored collections are on screen, the pickers saying "Loading..." meanwhile.
    m_deviceManager->announceFetch();
    m_startUpPending = true;
    AfterFirstPaint::run(m_window.get(), this, [this, xcodeURL] {
        // Another Xcode chosen meanwhile has started the fetch already, with its own URL.
        if (!std::exchange(m_startUpPending, false))
            return;
        QCoro::connect(startUp(m_deviceManager.get(), m_bundleIdManager.get(), xcodeURL), this,
                       [this] { Q_EMIT mainContentReady(); });
    });
}

void KestrineApp::buildToolbar(RootView* root) {
    // Left to right: the run-destination picker and the target-app picker go first, then a
    // flexible space, then the search field with its scope row at the trailing end.
    clearToolbar();
    auto* destinations = new TargetSelectorToolbarContent(*m_deviceManager, m_toolBar);
    auto* apps =
        new BundleIdSelectorToolbarContent(*m_bundleIdManager, *m_deviceManager, m_toolBar);
    m_toolBar->addWidget(destinations);
    m_toolBar->addWidget(apps);
    m_commands->windowCommands()->setPickers(destinations, apps);
    m_toolBar->addSeparator();
    for (QAction* option : {m_commands->windowCommands()->launchCold(),
                            m_commands->windowCommands()->captureScreen()}) {
        m_toolBar->addAction(option);
        QWidget* button = m_toolBar->widgetForAction(option);
        button->setAccessibleName(option->text());
        // A toolbar's buttons take no focus by default; the keyboard reaches these too.
        button->setFocusPolicy(Qt::TabFocus);
    }
    auto* space = new QWidget(m_toolBar);
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(space);
    m_toolBar->addWidget(root->searchField());
    m_toolBar->show();
}

void KestrineApp::prepareExecuter() {
    // The executer holds both weakly; they are refreshed before every request.
    m_deeplinkExecuter->setRunDestinationManager(m_deviceManager.get());
    m_deeplinkExecuter->setTargetAppFor(
        [apps = QPointer<BundleIdManager>(m_bundleIdManager.get())](const Device& device) {
            return apps ? apps->targetAppFor(device) : QString();
        });
    const WindowCommands& commands = *m_commands->windowCommands();
    m_deeplinkExecuter->setOptions({.cold = commands.launchCold()->isChecked(),
                                    .screenshotDirectory = commands.captureScreen()->isChecked()
                                                               ? screenshotDirectory()
                                                               : QString()});
}

void KestrineApp::copyCommand(const QString& url) {
    prepareExecuter();
    try {
        const QStringList command = m_deeplinkExecuter->commandLine(url);
        QGuiApplication::clipboard()->setText(ShellQuoting::joined(command));
    } catch (...) {
        setError(ErrorMessage{localizedDescription(std::current_exception())});
    }
}

void KestrineApp::openUrl(const QString& url, const QString& title, FiringDone done) {
    prepareExecuter();
    // The destination as it is now: the executer reads the selection before it first waits.
    const std::optional<Device> device = m_deviceManager->selectedDevice();
    FiringRecord record{.time = QDateTime::currentDateTime(),
                        .title = title,
                        .url = url,
                        .destination = device ? device->name : QString()};
    QPointer<KestrineApp> self(this);
    auto completion = [self, record, done = std::move(done)](const FiringOutcome& outcome) mutable {
        if (!self)
            return;
        record.outcome = outcome;
        if (FiringHistory* history = self->m_persistence.history()) {
            QString error;
            if (!history->record(record, &error))
                Logger(QString::fromLatin1(AppIdentity::bundleIdentifier),
                       QStringLiteral("history"))
                    .error(u"Could not record the firing in the History: %{public}@", error);
        }
        if (self->m_root)
            self->m_root->statusLine()->showOutcome(record.url, outcome);
        if (outcome.isFailure())
            self->setError(ErrorMessage{outcome.message});
        if (done)
            done(outcome);
    };
    // Not awaited: the URL counts as handled at once, and further requests run alongside.
    QCoro::connect(m_deeplinkExecuter->execute(url, std::move(completion), title), this, [] {});
}

void KestrineApp::fire(const FiringRequest& request, FiringDone done) {
    if (request.problem.isEmpty()) {
        openUrl(request.url, request.title, std::move(done));
        return;
    }
    // Nothing went out, so the History has nothing to keep; the user hears it like a failure.
    const FiringOutcome outcome = FiringOutcome::failed(request.problem);
    if (m_root)
        m_root->statusLine()->showOutcome(request.url, outcome);
    setError(ErrorMessage{request.problem});
    if (done)
        done(outcome);
}

QString KestrineApp::screenshotDirectory() {
    return AppPaths::dataDirectory() + QStringLiteral("/Screenshots");
}

void KestrineApp::showHistory() {
    if (!m_history) {
        m_history = new HistoryWindow(
            m_persistence.history(),
            [this](const FiringRequest& request, FiringDone done) {
                fire(request, std::move(done));
            },
            m_window.get());
        m_history->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

const std::optional<ErrorMessage>& KestrineApp::error() const {
    return m_alert->error();
}

void KestrineApp::showStoreFailure(const QString& diagnostic) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kestrine"),
                    tr("Kestrine cannot open its store and will quit."), QMessageBox::Ok);
    box.setInformativeText(diagnostic);
    box.setAccessibleName(tr("Kestrine cannot open its store"));
    box.setAccessibleDescription(diagnostic);
    box.exec();
}

void KestrineApp::setError(std::optional<ErrorMessage> error) {
    m_alert->setError(std::move(error));
}

void KestrineApp::saveBeforeExit() {
    ManagedObjectContext* context = m_persistence.viewContext();
    if (!context)
        return;
    // Nothing retries once the event loop is over: wait for another process's write lock
    // here, for a while, rather than lose the last edits.
    (void)context->save(std::chrono::seconds(5));
}

void KestrineApp::save() {
    if (ManagedObjectContext* context = m_persistence.viewContext())
        (void)context->save();
}
