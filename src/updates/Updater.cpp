#include "updates/Updater.h"

#include "platform/AppIdentity.h"
#include "platform/AppSettings.h"
#include "platform/Logger.h"
#include "updates/Appcast.h"
#include "updates/VersionComparator.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QOperatingSystemVersion>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroNetworkReply>

#include <memory>
#include <optional>

namespace {

const Logger& logger() {
    static const Logger log(QStringLiteral("Kestrine"), QStringLiteral("Updater"));
    return log;
}

using Failure = UpdateCheckResult::Failure;
using Outcome = UpdateCheckResult::Outcome;

Failure classify(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        return Failure::Unreachable;
    default:
        return Failure::BadResponse;
    }
}

UpdateCheckResult failed(Failure failure, QString detail, int httpStatus = 0) {
    return {.outcome = Outcome::Failed,
            .failure = failure,
            .httpStatus = httpStatus,
            .detail = std::move(detail)};
}

// Only what the feed's operating-system requirements are written against counts.
QString systemVersion() {
#ifdef Q_OS_MACOS
    const QOperatingSystemVersion current = QOperatingSystemVersion::current();
    return QStringLiteral("%1.%2.%3")
        .arg(current.majorVersion())
        .arg(qMax(0, current.minorVersion()))
        .arg(qMax(0, current.microVersion()));
#else
    return {};
#endif
}

// Replies are deleted once the check is done with them, unless the network manager (and the
// reply with it) went first.
struct ReplyGuard {
    QPointer<QNetworkReply> reply;
    ~ReplyGuard() {
        if (reply)
            reply->deleteLater();
    }
};

// Anything else could be read or changed on the way, or names a local file.
bool isFeedAddress(const QUrl& url) {
    return url.scheme() == u"https" && !url.host().isEmpty();
}

} // namespace

Updater::Updater(QObject* parent)
    : QObject(parent)
    , m_currentVersion(QString::fromLatin1(AppIdentity::version)) {}

Updater::~Updater() {
    // The manager deletes its replies without a word, which would leave a running check waiting
    // for good; aborted, a reply finishes now and the check ends without reporting.
    m_closing = true;
    if (m_network) {
        for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>())
            reply->abort();
    }
}

void Updater::startUpdater() {
    if (m_started)
        return;
    m_started = true;
    Q_EMIT canCheckForUpdatesChanged();
    if (automaticallyChecksForUpdates()) {
        // After start-up has finished, so the window comes first.
        QTimer::singleShot(0, this, [this] { checkForUpdatesInBackground(); });
    }
}

bool Updater::checkForUpdates() {
    return startCheck(true);
}

bool Updater::checkForUpdatesInBackground() {
    return startCheck(false);
}

QUrl Updater::defaultFeedURL() {
    return QUrl(QStringLiteral(KESTRINE_UPDATE_FEED_URL), QUrl::StrictMode);
}

QUrl Updater::feedURL() const {
    const QString configured =
        AppSettings::standard()->value(QLatin1String(feedURLKey)).toString().trimmed();
    if (configured.isEmpty())
        return defaultFeedURL();
    return QUrl(configured, QUrl::StrictMode);
}

bool Updater::automaticallyChecksForUpdates() {
    return AppSettings::standard()->value(QLatin1String(automaticChecksKey), false).toBool();
}

void Updater::setAutomaticallyChecksForUpdates(bool on) {
    AppSettings::standard()->setValue(QLatin1String(automaticChecksKey), on);
}

bool Updater::startCheck(bool userInitiated) {
    if (!canCheckForUpdates())
        return false;
    setChecking(true);
    QCoro::connect(runCheck(userInitiated), this, [] {});
    return true;
}

QCoro::Task<> Updater::runCheck(bool userInitiated) {
    QPointer<Updater> self(this);
    const QUrl url = feedURL();
    UpdateCheckResult result;
    // The address may carry a user and password; the log never does.
    const QString shown = url.toString(QUrl::RemoveUserInfo);
    if (!url.isValid()) {
        result = failed(Failure::NotConfigured,
                        QStringLiteral("The feed address is not a valid address."));
    } else if (!isFeedAddress(url)) {
        result = failed(Failure::NotConfigured,
                        QStringLiteral("The feed address %1 is not an https address.").arg(shown));
    } else {
        logger().info(u"Checking for updates at %{public}s", shown);
        result = co_await fetchAndCompare(url);
        if (!self || m_closing)
            co_return;
    }

    switch (result.outcome) {
    case Outcome::UpToDate:
        logger().info(u"Kestrine %{public}s is up to date", result.currentVersion);
        break;
    case Outcome::UpdateAvailable:
        logger().info(u"Kestrine %{public}s is available (running %{public}s)",
                      result.item.displayVersion(), result.currentVersion);
        break;
    case Outcome::Failed:
        logger().error(u"Update check failed: %{public}s", result.detail);
        break;
    }
    setChecking(false);
    Q_EMIT checkFinished(result, userInitiated);
}

QCoro::Task<UpdateCheckResult> Updater::fetchAndCompare(QUrl url) {
    QPointer<Updater> self(this);
    const QString currentVersion = m_currentVersion;
    const std::chrono::milliseconds deadline = m_deadline;

    const QString tooLargeText =
        QStringLiteral("The feed is larger than %1 bytes").arg(maximumFeedSize);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QByteArray("Kestrine/") + AppIdentity::version);
    request.setRawHeader("Accept", "application/rss+xml, application/xml;q=0.9, */*;q=0.1");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);

    // Made for the first check: most runs never check, and start-up need not pay for it.
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkReply* raw = m_network->get(request);
    const ReplyGuard guard{raw};
    // A feed without bounds would fill memory: give up as soon as it grows too large.
    auto tooLarge = std::make_shared<bool>(false);
    connect(raw, &QNetworkReply::downloadProgress, raw, [raw, tooLarge](qint64 received, qint64) {
        if (received > maximumFeedSize && !*tooLarge) {
            *tooLarge = true;
            raw->abort();
        }
    });

    // A server that sends a byte now and then would never trip a silence timer.
    auto late = std::make_shared<bool>(false);
    QTimer::singleShot(deadline, raw, [raw, late] {
        *late = true;
        raw->abort();
    });

    co_await raw;
    if (!self || !guard.reply)
        co_return failed(Failure::Unreachable, QStringLiteral("Cancelled"));
    if (*late) {
        co_return failed(Failure::Unreachable,
                         QStringLiteral("The update server did not send the feed within %1 s.")
                             .arg(double(deadline.count()) / 1000));
    }

    const QVariant statusAttribute = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
    const QString reason =
        raw->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    if (status >= 400 || (raw->error() == QNetworkReply::NoError && status >= 300)) {
        co_return failed(Failure::HttpError,
                         QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed(), status);
    }
    if (*tooLarge) {
        co_return failed(Failure::MalformedFeed, tooLargeText);
    }
    if (raw->error() != QNetworkReply::NoError)
        co_return failed(classify(raw->error()), raw->errorString());
    QByteArray body = raw->readAll();

    // Named first: GCC 12 destroys the captures of a lambda written inside co_await twice.
    auto parse = [body = std::move(body), url] { return Appcast::parse(body, url); };
    const Result<Appcast> appcast = co_await QtConcurrent::run(std::move(parse));
    if (!appcast)
        co_return failed(Failure::MalformedFeed, appcast.error());

    std::optional<AppcastItem> newest = appcast->newestItem(systemVersion());
    if (!newest)
        co_return UpdateCheckResult{.currentVersion = currentVersion};
    const bool newer = VersionComparator::compare(newest->version, currentVersion) > 0;
    co_return UpdateCheckResult{.outcome = newer ? Outcome::UpdateAvailable : Outcome::UpToDate,
                                .item = std::move(*newest),
                                .currentVersion = currentVersion};
}

void Updater::setChecking(bool checking) {
    if (m_checking == checking)
        return;
    const bool could = canCheckForUpdates();
    m_checking = checking;
    if (could != canCheckForUpdates())
        Q_EMIT canCheckForUpdatesChanged();
}

#include "moc_Updater.cpp"
