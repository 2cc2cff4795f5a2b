#pragma once

#include "store/PersistentContainer.h"

// The process-wide owner of the store. `shared()` opens it on first use; a store that
// cannot be opened ends the process with its diagnostic before any window exists.
class PersistenceController {
public:
    [[nodiscard]] static PersistenceController& shared();

    [[nodiscard]] PersistentContainer& container() { return m_container; }

private:
    PersistenceController() = default;
    PersistentContainer m_container;
};
