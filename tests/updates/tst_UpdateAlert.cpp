#include "FindChild.h"
#include "TestEnvironment.h"
#include "updates/Updater.h"
#include "updates/ui/UpdateAlert.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {

using Outcome = UpdateCheckResult::Outcome;

// Kestrine 1.1 with these notes, offered to Kestrine 1.0.0.
UpdateCheckResult offered(const QString& notes = QStringLiteral("Faster imports.")) {
    AppcastItem item;
    item.title = QStringLiteral("Kestrine 1.1");
    item.version = QStringLiteral("110");
    item.shortVersionString = QStringLiteral("1.1");
    item.downloadURL = QUrl(QStringLiteral("https://kestrine.app/Kestrine-1.1.zip"));
    item.releaseNotes = notes;
    return {.outcome = Outcome::UpdateAvailable, .item = item, .currentVersion = "1.0.0"};
}

// Alerts delete themselves when closed; tests hold them like the controller does.
using AlertPointer = std::unique_ptr<UpdateAlert>;

const char* const schemes[] = {"https", "http", "file"};

} // namespace

class tst_UpdateAlert : public QObject {
    Q_OBJECT
public Q_SLOTS:
    // Stands in for the browser.
    void openInBrowser(const QUrl& url) { m_opened.append(url); }

private Q_SLOTS:
    void init() {
        m_opened.clear();
        for (const char* scheme : schemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openInBrowser");
    }

    void cleanup() {
        for (const char* scheme : schemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    void offersWhatFitsTheOutcome_data() {
        QTest::addColumn<UpdateCheckResult>("result");
        QTest::addColumn<QString>("text"); // heading|text

        QTest::addRow("up to date") << UpdateCheckResult{.currentVersion = "1.0.0"}
                                    << "You\u2019re up to date!|Kestrine 1.0.0 is currently the "
                                       "newest version available.";
        QTest::addRow("newer version") << offered()
                                       << "A new version of Kestrine is available!|Kestrine 1.1 is "
                                          "now available\u2014you have 1.0.0. Would you like to "
                                          "download it?";
        QTest::addRow("failed") << UpdateCheckResult{.outcome = Outcome::Failed,
                                                     .failure =
                                                         UpdateCheckResult::Failure::HttpError,
                                                     .httpStatus = 404,
                                                     .detail = "HTTP 404"}
                                << "Kestrine couldn\u2019t check for updates|The update server "
                                   "answered with an error (HTTP 404). Please try again later.";
    }

    void offersWhatFitsTheOutcome() {
        QFETCH(UpdateCheckResult, result);
        QFETCH(QString, text);
        TestEnvironment env;
        AlertPointer alert(new UpdateAlert(result));
        QCOMPARE(alert->heading() + u'|' + alert->text(), text);
        const bool offersDownload = result.outcome == Outcome::UpdateAvailable;
        auto* download = alert->findChild<QPushButton*>(QStringLiteral("download"));
        QCOMPARE(download != nullptr, offersDownload);
        QCOMPARE(alert->findChild<QTextBrowser*>(QStringLiteral("releaseNotes")) != nullptr,
                 offersDownload);
        // Whether to look again by itself is asked only when the check worked. (That the box
        // shows and sets the one setting Preferences shares is checked with the whole app.)
        auto* automaticChecks = alert->findChild<QCheckBox*>(QStringLiteral("automaticChecks"));
        QCOMPARE(automaticChecks != nullptr, result.outcome != Outcome::Failed);
        if (automaticChecks) {
            automaticChecks->click();
            QVERIFY(Updater::automaticallyChecksForUpdates());
        }
        if (offersDownload) {
            alert->show();
            QPointer<UpdateAlert> guard(alert.release());
            QTest::mouseClick(download, Qt::LeftButton);
            QCOMPARE(m_opened, QList<QUrl>{QUrl("https://kestrine.app/Kestrine-1.1.zip")});
            QTRY_VERIFY(!guard); // closed and gone
        }
    }

    void releaseNotesShowTextButLoadNothing() {
        TestEnvironment env;
        const QString local =
            QUrl::fromLocalFile(env.writeFile("secret.png", "not really a picture")).toString();
        // Were notes allowed to load files, painting /dev/zero would never finish.
        AlertPointer alert(
            new UpdateAlert(offered("<h2>What's new</h2><p>Sharper <b>icons</b>.</p>"
                                    "<img src=\"file:///dev/zero\"><img src=\"" +
                                    local + "\"><img src=\"https://tracker.test/pixel.gif\">")));
        auto* notes = child<QTextBrowser>(alert.get(), "releaseNotes");
        alert->show();
        (void)alert->grab();
        QVERIFY(notes->toPlainText().contains(QStringLiteral("Sharper icons.")));
        QVERIFY(!notes->toPlainText().contains(QStringLiteral("<b>")));
        QVERIFY(!notes->document()->resource(QTextDocument::ImageResource, QUrl(local)).isValid());
        QVERIFY(
            !notes->document()->resource(QTextDocument::StyleSheetResource, QUrl(local)).isValid());

        // Links open in the browser, and only web addresses.
        Q_EMIT notes->anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
        Q_EMIT notes->anchorClicked(QUrl(QStringLiteral("https://kestrine.app/1.1")));
        QCOMPARE(m_opened, QList<QUrl>{QUrl("https://kestrine.app/1.1")});

        // Plain text stays as written.
        AlertPointer plain(new UpdateAlert(offered("Sorting no longer treats a < b.")));
        QCOMPARE(child<QTextBrowser>(plain.get(), "releaseNotes")->toPlainText(),
                 QStringLiteral("Sorting no longer treats a < b."));
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_UpdateAlert)
#include "tst_UpdateAlert.moc"
