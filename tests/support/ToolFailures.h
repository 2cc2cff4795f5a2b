#pragma once

#include "TestData.h"

#include "platform/TaskOutcome.h"
#include "toolchain/CommandError.h"

#include <QList>
#include <QString>

// What each tool failure reads as: the message a sample of the tool's output under
// tests/data/destinations/ becomes, empty where the output tells of no failure.
namespace ToolFailures {

struct Row {
    const char* sample;
    QString message;
};

// `adb shell am start`, both streams: the activity manager's "Error:" line, else adb's own.
inline QList<Row> am() {
    return {
        {"am/started.txt", {}},
        {"am/delivered-to-the-running-instance.txt", {}},
        {"am/unresolved-intent-crlf.txt",
         QStringLiteral("Error: Activity not started, unable to resolve Intent { "
                        "act=android.intent.action.VIEW dat=nope:/x flg=0x10000000 }")},
        {"am/error-type-line-then-the-error.txt",
         QStringLiteral("Error: Activity class {com.x/.Main} does not exist.")},
        {"am/am-error-wins-over-adb.txt", QStringLiteral("Error: Activity not started")},
        {"am/device-not-found.txt", QStringLiteral("error: device 'X' not found")},
        {"am/unauthorized.txt", QStringLiteral("adb: device unauthorized.")},
        {"am/error-word-inside-a-line.txt", {}},
    };
}

// The message of the CommandError a task failed with; empty when it failed otherwise or not.
inline QString message(const TaskError& outcome) {
    return outcome.errorAs<CommandError>().value_or(CommandError(QString())).message;
}

inline Row find(const char* sample) {
    for (const Row& row : am())
        if (qstrcmp(row.sample, sample) == 0)
            return row;
    qFatal("ToolFailures: no row for %s", sample);
    return {};
}

inline QByteArray read(const Row& row) {
    return TestData::read(QStringLiteral("destinations/") + QLatin1String(row.sample));
}

} // namespace ToolFailures
