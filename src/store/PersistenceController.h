#pragma once

#include "store/PersistentContainer.h"

// Plain singleton (no QObject): the process-wide owner of the store, a PersistentContainer.
// `shared()` opens it on first use; a store that cannot be opened ends the process with its
// diagnostic before any window exists (see setOpenFailureNotice()).
class PersistenceController {
public:
    // Called with the diagnostic of a store that cannot be opened, once the log and standard
    // error have it and before the process ends (the app shows it in a message box).
    using OpenFailureNotice = void (*)(const QString& diagnostic);

    [[nodiscard]] static PersistenceController& shared();
    static void setOpenFailureNotice(OpenFailureNotice notice) { openFailureNotice() = notice; }

    [[nodiscard]] PersistentContainer& container() { return m_container; }

private:
    PersistenceController() = default;
    static OpenFailureNotice& openFailureNotice() {
        static OpenFailureNotice notice = nullptr;
        return notice;
    }
    PersistentContainer m_container;
};
