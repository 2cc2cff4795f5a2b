#pragma once

#include "updates/UpdateCheckResult.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>

class QNetworkAccessManager;

// QObject that looks for newer releases of Kestrine: fetches the update feed with a
// QNetworkAccessManager, picks its newest release and compares it with the running version. One
// check at a time; while it runs, canCheckForUpdates() answers no. Lives on the GUI thread; the
// network is never waited for.
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
public:
    // Settings keys (standard defaults).
    static constexpr char feedURLKey[] = "Updater.feedURL";
    static constexpr char automaticChecksKey[] = "Updater.automaticallyChecksForUpdates";
    // A feed larger than this is refused rather than held in memory.
    static constexpr qint64 maximumFeedSize = 8 * 1024 * 1024;

    explicit Updater(QObject* parent = nullptr);
    ~Updater() override;

    // Readies the updater. When the user turned automatic checks on, one check runs in the
    // background once the event loop turns. Later calls do nothing.
    void startUpdater();
    [[nodiscard]] bool isStarted() const { return m_started; }

    [[nodiscard]] bool canCheckForUpdates() const { return m_started && !m_checking; }

    // Starts a check unless one is running (or the updater was not started); checkFinished
    // tells the outcome. Returns whether a check started.
    bool checkForUpdates();
    bool checkForUpdatesInBackground();

    // The feed: the settings' address when one is set, otherwise the one built in. Only an https
    // address is read.
    [[nodiscard]] QUrl feedURL() const;
    [[nodiscard]] static QUrl defaultFeedURL();

    [[nodiscard]] static bool automaticallyChecksForUpdates();
    static void setAutomaticallyChecksForUpdates(bool on);

    // The version compared with the feed (Kestrine's own unless set, for tests and demos).
    [[nodiscard]] const QString& currentVersion() const { return m_currentVersion; }
    void setCurrentVersion(QString version) { m_currentVersion = std::move(version); }

    // How long the whole request may take, however steadily the server keeps sending.
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    // `userInitiated` is false for the automatic check at start-up.
    void checkFinished(const UpdateCheckResult& result, bool userInitiated);

private:
    bool startCheck(bool userInitiated);
    QCoro::Task<> runCheck(bool userInitiated);
    QCoro::Task<UpdateCheckResult> fetchAndCompare(QUrl url);
    void setChecking(bool checking);

    QNetworkAccessManager* m_network = nullptr;
    QString m_currentVersion;
    std::chrono::milliseconds m_deadline{30000};
    bool m_started = false;
    bool m_checking = false;
    bool m_closing = false;
};
