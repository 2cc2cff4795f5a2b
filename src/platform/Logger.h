#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <initializer_list>

// One line of the log as Kestrine wrote it, after the placeholders were filled in.
struct LogRecord {
    enum class Level { Debug, Info, Error };
    QString subsystem;
    QString category;
    Level level = Level::Info;
    QString message;
};

// Plain class (no QObject, no QLoggingCategory), a handle on the structured system log: subsystem +
// category, three levels. Format strings use the "%{public}s", "%{public}ld" and "%{public}@"
// placeholders; they are filled with the arguments in order. Lines go to the system's structured
// log the build chose (the systemd journal when it runs, or the Mac's unified log), otherwise to
// stderr. KESTRINE_LOG=stderr forces stderr; KESTRINE_LOG_LEVEL=debug shows debug lines, which
// are hidden by default.
class Logger {
public:
    Logger(QString subsystem, QString category);

    template <typename... Args> void debug(QStringView format, const Args&... args) const {
        write(LogRecord::Level::Debug, format, {toText(args)...});
    }
    template <typename... Args> void info(QStringView format, const Args&... args) const {
        write(LogRecord::Level::Info, format, {toText(args)...});
    }
    template <typename... Args> void error(QStringView format, const Args&... args) const {
        write(LogRecord::Level::Error, format, {toText(args)...});
    }

    [[nodiscard]] const QString& subsystem() const { return m_subsystem; }
    [[nodiscard]] const QString& category() const { return m_category; }

    // Fills the placeholders of `format` with `arguments`, in order.
    [[nodiscard]] static QString fill(QStringView format, const QStringList& arguments);

    // Every record (debug included) also goes to the sink while one is installed; tests use it.
    using Sink = std::function<void(const LogRecord&)>;
    static void setCaptureSink(Sink sink);

    // For a program whose standard error is its own voice (the command line): lines meant for
    // stderr are dropped, unless KESTRINE_LOG=stderr asks for them. The system log still gets them.
    static void keepOffStandardError();

private:
    void write(LogRecord::Level level, QStringView format, const QStringList& arguments) const;

    static QString toText(const QString& value) { return value; }
    static QString toText(const char* value) { return QString::fromUtf8(value); }
    static QString toText(const QUrl& value) { return value.toString(); }
    static QString toText(const QVariant& value) { return value.toString(); }
    template <typename T> static QString toText(const T& value) { return QString::number(value); }

    QString m_subsystem;
    QString m_category;
};
