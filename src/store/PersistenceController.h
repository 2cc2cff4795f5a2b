#pragma once

#include "store/PersistentContainer.h"

// Plain singleton (no QObject): the process-wide owner of the store, a PersistentContainer.
// `shared()` opens it on first use; a store that cannot be opened ends the process with its
// diagnostic before any window exists.
class PersistenceController {
public:
    [[nodiscard]] static PersistenceController& shared();

    [[nodiscard]] PersistentContainer& container() { return m_container; }

private:
    PersistenceController() = default;
    PersistentContainer m_container;
};
