#pragma once

#include "platform/FiringOutcome.h"

#include <QIcon>

// Free functions giving the mark drawn beside a firing's outcome, the same in the collection's
// rows and in the History: a green check where an app took the URL, an orange warning where a
// browser or the chooser did, a red one where it went nowhere.
namespace OutcomeMark {

[[nodiscard]] QIcon icon(FiringOutcome::Result result);

} // namespace OutcomeMark
