#include "exchange/CoreDataObjectSerialiser.h"

#include "platform/TextCase.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"

#include <QUuid>

SerialisingDeeplinkRecordCollection
CoreDataObjectSerialiser::record(const DeeplinkCollection& collection) {
    SerialisingDeeplinkRecordCollection record;
    if (!collection.name().isNull())
        record.title = collection.name();
    if (!collection.environments().isEmpty()) {
        record.environments = collection.environments();
        if (!collection.activeEnvironment().isEmpty())
            record.activeEnvironment = collection.activeEnvironment();
    }
    const QList<Deeplink*>& deeplinks = collection.deeplinks();
    if (deeplinks.isEmpty())
        return record;
    QList<SerialisingDeeplinkRecord> records;
    records.reserve(deeplinks.size());
    for (const Deeplink* deeplink : deeplinks) {
        SerialisingDeeplinkRecord item;
        if (!deeplink->title().isNull())
            item.title = deeplink->title();
        if (!deeplink->urlString().isNull())
            item.url = deeplink->urlString();
        records.append(std::move(item));
    }
    record.deeplinks = std::move(records);
    return record;
}

Result<QList<SerialisingDeeplinkRecordCollection>, DecodingError>
CoreDataObjectSerialiser::decode(const QList<QByteArray>& contents) {
    QList<SerialisingDeeplinkRecordCollection> records;
    records.reserve(contents.size());
    for (qsizetype i = 0; i < contents.size(); ++i) {
        Result<SerialisingDeeplinkRecordCollection, DecodingError> record =
            SerialisingDeeplinkRecordCollection::decode(contents.at(i));
        if (!record) {
            record.error().setIndex(i);
            return ResultError(record.error());
        }
        records.append(std::move(record).value());
    }
    return records;
}

QList<DeeplinkCollection*>
CoreDataObjectSerialiser::insert(const QList<SerialisingDeeplinkRecordCollection>& records,
                                 ManagedObjectContext& context, const QDateTime& moment,
                                 const ColorChooser& color) {
    QList<DeeplinkCollection*> collections;
    collections.reserve(records.size());
    for (const SerialisingDeeplinkRecordCollection& record : records) {
        DeeplinkCollection* collection = context.insertCollection();
        collection->setUid(QUuid::createUuid());
        const QRgb chosen = color ? color() : qRgb(0, 0, 0);
        // In single precision, as imports have always stored them (QColor's float components).
        collection->setColor(qRed(chosen) / 255.0f, qGreen(chosen) / 255.0f, qBlue(chosen) / 255.0f,
                             qAlpha(chosen) / 255.0f);
        if (record.title)
            collection->setName(TextCase::capitalized(*record.title));
        if (record.environments)
            collection->setEnvironments(*record.environments);
        if (record.activeEnvironment)
            collection->setActiveEnvironment(*record.activeEnvironment);
        if (record.deeplinks) {
            for (const SerialisingDeeplinkRecord& item : *record.deeplinks) {
                Deeplink* deeplink = context.insertDeeplink();
                if (item.title)
                    deeplink->setTitle(*item.title);
                if (item.url)
                    deeplink->setUrlString(*item.url);
                deeplink->setTimestamp(moment);
                collection->addDeeplink(deeplink);
            }
        }
        collections.append(collection);
    }
    return collections;
}

Result<QList<DeeplinkCollection*>, DecodingError>
CoreDataObjectSerialiser::collections(const QList<QByteArray>& contents,
                                      ManagedObjectContext& context, const ColorChooser& color) {
    const Result<QList<SerialisingDeeplinkRecordCollection>, DecodingError> records =
        decode(contents);
    if (!records)
        return ResultError(records.error());
    return insert(*records, context, QDateTime::currentDateTimeUtc(), color);
}
