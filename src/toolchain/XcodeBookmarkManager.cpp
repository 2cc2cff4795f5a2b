#include "toolchain/XcodeBookmarkManager.h"

#include "platform/AppError.h"
#include "platform/AppSettings.h"
#include "platform/Bookmark.h"
#include "platform/Logger.h"

namespace {

const QString xcodeURLKey = QStringLiteral("XcodeBookmarkManager.xcodeURL");
const QString bookmarkDataKey = QStringLiteral("XcodeBookmarkManager.bookmarkData");
const QString withoutXcodeKey = QStringLiteral("XcodeBookmarkManager.continuesWithoutXcode");

const Logger& logger() {
    static const Logger instance(QStringLiteral("Kestrine"),
                                 QStringLiteral("XcodeBookmarkManager"));
    return instance;
}

} // namespace

XcodeBookmarkManager::XcodeBookmarkManager(QObject* parent)
    : QObject(parent) {
    try {
        loadBookmark(false);
    } catch (const std::exception&) {
        // Already logged; the selection screen lets the user choose again.
    }
}

QUrl XcodeBookmarkManager::xcodeURL() const {
    return AppSettings::standard()->value(xcodeURLKey).toUrl();
}

QByteArray XcodeBookmarkManager::bookmarkData() const {
    return AppSettings::standard()->value(bookmarkDataKey).toByteArray();
}

void XcodeBookmarkManager::setXcodeURL(const QUrl& url) {
    // Stored as text so that the settings file stays readable. Every start stores the URL it
    // resolved; the same text again would only rewrite the file.
    const QString text = url.toString(QUrl::FullyEncoded);
    const std::unique_ptr<QSettings> settings = AppSettings::standard();
    const QVariant stored = settings->value(xcodeURLKey);
    if (stored.typeId() != QMetaType::QString || stored.toString() != text)
        settings->setValue(xcodeURLKey, text);
}

void XcodeBookmarkManager::setBookmarkData(const QByteArray& data) {
    AppSettings::standard()->setValue(bookmarkDataKey, data);
}

void XcodeBookmarkManager::loadBookmark(bool refresh) {
    setState({StateKind::Loading, {}});
    try {
        restore(refresh);
    } catch (const std::exception& error) {
        // Left loading, the window would wait on its spinner for ever.
        logger().error(u"Failed to restore the Xcode location: %{public}@",
                       localizedDescription(error));
        setState({StateKind::Unavailable, {}});
        throw;
    }
}

void XcodeBookmarkManager::restore(bool refresh) {
    if (const QUrl stored = xcodeURL(); refresh && !stored.isEmpty())
        setBookmarkData(Bookmark::create(stored));

    const QByteArray data = bookmarkData();
    if (data.isEmpty()) {
        const bool without = AppSettings::standard()->value(withoutXcodeKey).toBool();
        setState({without ? StateKind::WithoutXcode : StateKind::Unavailable, {}});
        return;
    }
    const Bookmark::Resolved resolved = Bookmark::resolve(data);
    // Refreshed once is enough: a bookmark that is stale straight after being made would
    // otherwise refresh for ever.
    if (resolved.isStale && !refresh) {
        logger().info(u"Xcode bookmark is stale, making a new one from %{public}@",
                      xcodeURL().toString());
        restore(true);
        return;
    }
    Bookmark::startAccessing(resolved.url);
    setXcodeURL(resolved.url);
    setState({StateKind::Available, resolved.url});
}

bool XcodeBookmarkManager::saveBookmark(const QUrl& url) {
    const QByteArray data = Bookmark::create(url);
    const Bookmark::Resolved resolved = Bookmark::resolve(data);
    setBookmarkData(data);
    AppSettings::standard()->remove(withoutXcodeKey);
    const bool accessing = Bookmark::startAccessing(resolved.url);
    setXcodeURL(resolved.url);
    setState({StateKind::Available, resolved.url});
    return accessing;
}

void XcodeBookmarkManager::continueWithoutXcode() {
    // A bookmark that no longer resolves would bring the selection screen back at every start.
    const std::unique_ptr<QSettings> settings = AppSettings::standard();
    settings->remove(bookmarkDataKey);
    settings->remove(xcodeURLKey);
    settings->setValue(withoutXcodeKey, true);
    setState({StateKind::WithoutXcode, {}});
}

void XcodeBookmarkManager::setState(State state) {
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

#include "moc_XcodeBookmarkManager.cpp"
