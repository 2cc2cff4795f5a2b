#include "toolchain/XcodeBookmarkManager.h"

#include "platform/AppSettings.h"

#include <QDir>

XcodeBookmarkManager::XcodeBookmarkManager(QObject* parent)
    : QObject(parent)
{
    const QUrl stored = AppSettings::standard()->value("XcodeBookmarkManager.xcodeURL").toUrl();
    if (stored.isLocalFile() && QDir(stored.toLocalFile()).exists())
        setState({StateKind::Available, stored});
}

bool XcodeBookmarkManager::saveBookmark(const QUrl& url)
{
    AppSettings::standard()->setValue("XcodeBookmarkManager.xcodeURL", url);
    setState({StateKind::Available, url});
    return true;
}

void XcodeBookmarkManager::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}
