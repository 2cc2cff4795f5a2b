// Makes small changes to a store and saves after each, telling stdout which save finished:
// forever (the durability test kills it at random moments), or as many saves as the second
// argument says while another process writes to the same store.
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    PersistentContainer container(QString::fromLocal8Bit(argv[1]));
    if (const auto error = container.loadPersistentStores()) {
        std::fprintf(stderr, "%s\n", qPrintable(error->details));
        return 1;
    }
    const int saves = argc > 2 ? QByteArray(argv[2]).toInt() : -1;
    ManagedObjectContext* context = container.viewContext();
    int next = int(context->collections().size());
    for (int done = 0; done != saves; ++done) {
        // One save = one collection named after its number with (number % 7) + 1 deeplinks,
        // plus a rename of the previous one: all of it must land, or none of it.
        DeeplinkCollection* collection = context->insertCollection();
        collection->setName(QString::number(next));
        for (int i = 0; i <= next % 7; ++i) {
            Deeplink* deeplink = context->insertDeeplink();
            deeplink->setTitle(QStringLiteral("%1/%2").arg(next).arg(i));
            collection->addDeeplink(deeplink);
        }
        for (DeeplinkCollection* other : context->collections()) {
            if (other->name() == QString::number(next - 1))
                other->setEmoji(QStringLiteral("✅"));
        }
        // The other writer may hold the lock for a moment; the changes wait for it.
        for (int attempt = 0;; ++attempt) {
            const SaveOutcome outcome = context->save();
            if (outcome.kind == SaveOutcome::Kind::Saved)
                break;
            if (attempt == 20) {
                std::fprintf(stderr, "save failed: %s\n", qPrintable(outcome.reason));
                return 1;
            }
            QThread::msleep(50);
        }
        std::printf("%d\n", next);
        std::fflush(stdout);
        ++next;
    }
    return 0;
}
