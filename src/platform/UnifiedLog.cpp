#include "platform/UnifiedLog.h"

#include "platform/AppIdentity.h"
#include "platform/Logger.h"

#include <QHash>

#include <mutex>
#include <os/log.h>

namespace UnifiedLog {

namespace {

// One handle per category, made once and kept for the life of the process, as os_log wants:
// making one per line would cost a lookup in the log daemon's tables each time. Loggers write
// from worker threads too.
os_log_t handle(const QString& category) {
    static std::mutex lock;
    static QHash<QString, os_log_t> handles;
    const std::scoped_lock guard(lock);
    auto it = handles.find(category);
    if (it == handles.end())
        it = handles.insert(
            category, os_log_create(AppIdentity::bundleIdentifier, category.toUtf8().constData()));
    return *it;
}

os_log_type_t type(LogRecord::Level level) {
    switch (level) {
    case LogRecord::Level::Debug:
        return OS_LOG_TYPE_DEBUG;
    case LogRecord::Level::Info:
        return OS_LOG_TYPE_INFO;
    case LogRecord::Level::Error:
        return OS_LOG_TYPE_ERROR;
    }
    return OS_LOG_TYPE_DEFAULT;
}

} // namespace

void write(const LogRecord& record) {
    const QByteArray text = record.message.toUtf8();
    // The line is filled already; "%{public}s" keeps it readable outside a debugger, where
    // os_log would otherwise show "<private>".
    os_log_with_type(handle(record.category), type(record.level), "%{public}s", text.constData());
}

} // namespace UnifiedLog
