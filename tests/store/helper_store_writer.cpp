// Makes small changes to a store and saves after each, forever, telling stdout which save
// finished. The durability test kills it at random moments.
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    PersistentContainer container(QString::fromLocal8Bit(argv[1]));
    if (const auto error = container.loadPersistentStores()) {
        std::fprintf(stderr, "%s\n", qPrintable(error->details));
        return 1;
    }
    ManagedObjectContext* context = container.viewContext();
    int next = int(context->collections().size());
    for (;;) {
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
        QString error;
        if (!context->save(&error)) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%d\n", next);
        std::fflush(stdout);
        ++next;
    }
}
