#pragma once

#include "TestData.h"

#include "platform/TaskOutcome.h"
#include "toolchain/CommandError.h"

#include <QHash>
#include <QString>

// What each tool failure reads as: the message a sample of the tool's output under
// tests/data/destinations/ becomes, empty where the output tells of no failure.
namespace ToolFailures {

// `adb shell am start`, both streams: the activity manager's "Error:" line, else adb's own; the
// message each sample under tests/data/destinations/am/ reads as. An unresolved intent's is the
// message of a no-handler outcome; every other one is thrown.
inline QString am(const QString& sample) {
    static const QHash<QString, QString> messages{
        {"started.txt", {}},
        {"android14-cold-product.txt", {}},
        {"android14-warm.txt", {}},
        {"android14-hot.txt", {}},
        {"android14-timeout.txt", {}},
        {"android9-this-time.txt", {}},
        {"android5-this-time-only-crlf.txt", {}},
        {"android14-delivered-to-top.txt", {}},
        {"android14-system-chooser.txt", {}},
        {"android14-intentresolver-chooser.txt", {}},
        {"android14-app-named-chooser.txt", {}},
        {"android14-browser.txt", {}},
        {"brought-to-front.txt", {}},
        {"delivered-to-the-running-instance.txt", {}},
        {"unresolved-intent-crlf.txt",
         QStringLiteral("Error: Activity not started, unable to resolve Intent { "
                        "act=android.intent.action.VIEW dat=nope:/x flg=0x10000000 }")},
        {"error-type-line-then-the-error.txt",
         QStringLiteral("Error: Activity class {com.x/.Main} does not exist.")},
        {"am-error-wins-over-adb.txt", QStringLiteral("Error: Activity not started")},
        {"device-not-found.txt", QStringLiteral("error: device 'X' not found")},
        {"unauthorized.txt", QStringLiteral("adb: device unauthorized.")},
        {"error-word-inside-a-line.txt", {}},
    };
    if (!messages.contains(sample))
        qFatal("ToolFailures: no message for the sample am/%s", qPrintable(sample));
    return messages.value(sample);
}

// The message of the CommandError a task failed with; empty when it failed otherwise or not.
inline QString message(const TaskError& outcome) {
    return outcome.errorAs<CommandError>().value_or(CommandError(QString())).message;
}

} // namespace ToolFailures
