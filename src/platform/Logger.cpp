#include "platform/Logger.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#if KESTRINE_HAVE_JOURNALD
#include <syslog.h>
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>
#endif
#if KESTRINE_HAVE_OSLOG
#include "platform/UnifiedLog.h"
#endif

namespace {

Logger::Sink& captureSink() {
    static Logger::Sink sink;
    return sink;
}

#if KESTRINE_HAVE_JOURNALD
bool useJournal() {
    static const bool journal = qgetenv("KESTRINE_LOG") != "stderr" &&
                                QFileInfo::exists(QStringLiteral("/run/systemd/journal/socket"));
    return journal;
}
#endif

#if KESTRINE_HAVE_OSLOG
// The unified log is always there on a Mac; only the choice of stderr bypasses it.
bool useUnifiedLog() {
    static const bool unified = qgetenv("KESTRINE_LOG") != "stderr";
    return unified;
}
#endif

bool& offStandardError() {
    static bool off = false;
    return off;
}

bool showDebug() {
    static const bool debug = qgetenv("KESTRINE_LOG_LEVEL") == "debug";
    return debug;
}

const char* levelName(LogRecord::Level level) {
    switch (level) {
    case LogRecord::Level::Debug:
        return "debug";
    case LogRecord::Level::Info:
        return "info";
    case LogRecord::Level::Error:
        return "error";
    }
    return "info";
}

} // namespace

Logger::Logger(QString subsystem, QString category)
    : m_subsystem(std::move(subsystem))
    , m_category(std::move(category)) {}

QString Logger::fill(QStringView format, const QStringList& arguments) {
    static const QRegularExpression placeholder(QStringLiteral("%\\{public\\}(?:ld|lu|d|s|@)"));
    QString result;
    qsizetype last = 0;
    qsizetype next = 0;
    auto it = placeholder.globalMatch(format);
    while (it.hasNext()) {
        const auto match = it.next();
        result += format.mid(last, match.capturedStart() - last);
        // A placeholder without an argument stays visible rather than vanishing silently.
        result += next < arguments.size() ? arguments.at(next++) : match.captured();
        last = match.capturedEnd();
    }
    result += format.mid(last);
    return result;
}

void Logger::setCaptureSink(Sink sink) {
    captureSink() = std::move(sink);
}

void Logger::keepOffStandardError() {
    offStandardError() = qgetenv("KESTRINE_LOG") != "stderr";
}

void Logger::write(LogRecord::Level level, QStringView format, const QStringList& arguments) const {
    const LogRecord record{m_subsystem, m_category, level, fill(format, arguments)};
    if (captureSink())
        captureSink()(record);
    if (level == LogRecord::Level::Debug && !showDebug())
        return;

    const QByteArray message = record.message.toUtf8();
#if KESTRINE_HAVE_JOURNALD
    if (useJournal()) {
        const int priority = level == LogRecord::Level::Error  ? LOG_ERR
                             : level == LogRecord::Level::Info ? LOG_INFO
                                                               : LOG_DEBUG;
        sd_journal_send("MESSAGE=%s", message.constData(), "PRIORITY=%d", priority, "SUBSYSTEM=%s",
                        m_subsystem.toUtf8().constData(), "CATEGORY=%s",
                        m_category.toUtf8().constData(), "SYSLOG_IDENTIFIER=kestrine", nullptr);
        return;
    }
#endif
#if KESTRINE_HAVE_OSLOG
    if (useUnifiedLog()) {
        UnifiedLog::write(record);
        return;
    }
#endif
    if (offStandardError())
        return;
    std::fprintf(stderr, "kestrine %s [%s] %s: %s\n", m_subsystem.toUtf8().constData(),
                 m_category.toUtf8().constData(), levelName(level), message.constData());
}
