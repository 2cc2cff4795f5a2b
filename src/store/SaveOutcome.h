#pragma once

#include <QString>

// Plain value a save of the ManagedObjectContext comes to. Unless saved, nothing was written
// and the changes are still pending: busy means another process holds the store file, and the
// changes land with the retried save; failed means they never will, and the caller undoes the
// user's action whole (ManagedObjectContext::rollback()).
struct [[nodiscard]] SaveOutcome {
    enum class Kind { Saved, Busy, Failed };

    Kind kind = Kind::Saved;
    QString reason; // why it did not save, as logged
};
