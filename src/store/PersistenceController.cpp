#include "store/PersistenceController.h"

#include "platform/AppIdentity.h"
#include "platform/Logger.h"

#include <cstdio>
#include <cstdlib>

PersistenceController& PersistenceController::shared() {
    static PersistenceController* instance = [] {
        auto* controller = new PersistenceController; // never released, like the process
        if (auto error = controller->m_container.loadPersistentStores()) {
            const QString diagnostic = QStringLiteral("Unresolved error ") + error->description +
                                       QStringLiteral(", ") + error->details;
            Logger(QString::fromLatin1(AppIdentity::bundleIdentifier), QStringLiteral("coredata"))
                .error(u"%{public}s", diagnostic);
            std::fprintf(stderr, "%s\n", diagnostic.toUtf8().constData());
            std::fflush(stderr);
            if (const OpenFailureNotice notice = openFailureNotice())
                notice(diagnostic);
            std::_Exit(EXIT_FAILURE);
        }
        return controller;
    }();
    return *instance;
}
