#pragma once

#include "platform/FiringOutcome.h"

#include <QStringList>

// Firing outcomes as text that QCOMPARE can show side by side.
namespace FiringOutcomes {

// "result|handler|handlerName|launch|processId|message", then each note on a line of its own.
inline QStringList describe(const FiringOutcome& outcome) {
    QStringList lines{QStringList{
        FiringOutcome::resultName(outcome.result), outcome.handler, outcome.handlerName,
        FiringOutcome::launchName(outcome.launch),
        outcome.processId ? QString::number(*outcome.processId) : QString(), outcome.message}
                          .join(u'|')};
    return lines + outcome.notes;
}

} // namespace FiringOutcomes
