#pragma once

#include <QObject>
#include <QPointer>

class UpdateAlert;
class Updater;
struct UpdateCheckResult;

// QObject that owns the Updater and shows what its checks find in an UpdateAlert dialog. A check
// the user asked for always ends in the alert; the automatic check at start-up speaks up only when
// it found a newer version (anything else is just logged).
class UpdaterController : public QObject {
    Q_OBJECT
public:
    explicit UpdaterController(bool startingUpdater, QObject* parent = nullptr);
    ~UpdaterController() override;

    [[nodiscard]] Updater* updater() const { return m_updater; }

    void startUpdater();
    // A check on the user's behalf; does nothing while the updater cannot check.
    void checkForUpdates();

    // The alert currently up, if any (there is never more than one).
    [[nodiscard]] UpdateAlert* alert() const;

Q_SIGNALS:
    void alertShown(UpdateAlert* alert);

private:
    void showResult(const UpdateCheckResult& result, bool userInitiated);

    Updater* m_updater = nullptr;
    QPointer<UpdateAlert> m_alert;
};
