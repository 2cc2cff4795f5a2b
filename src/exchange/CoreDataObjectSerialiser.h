#pragma once

#include "exchange/SerialisingDeeplinkRecordCollection.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRgb>
#include <QString>

#include <functional>

class DeeplinkCollection;
class ManagedObjectContext;

// Static functions only (no QObject, never instantiated): conversions between stored collections
// (objects of a ManagedObjectContext) and exchange records (plain structs).
class CoreDataObjectSerialiser {
public:
    // Gives the colour of each imported collection.
    using ColorChooser = std::function<QRgb()>;

    CoreDataObjectSerialiser() = delete;

    // The record of a stored collection: its name, one record per deeplink (the URL's
    // absolute text, absent when it has none), its environments and the active one's name. A
    // collection without deeplinks has no "deeplinks" member at all, one without environments
    // neither "environments" nor "activeEnvironment".
    [[nodiscard]] static SerialisingDeeplinkRecordCollection
    record(const DeeplinkCollection& collection);

    // Decodes every buffer, in order; or the DecodingError of the first that fails, with
    // index() telling which buffer it was. Pure: safe to run off the GUI thread.
    static Result<QList<SerialisingDeeplinkRecordCollection>, DecodingError>
    decode(const QList<QByteArray>& contents);

    // Creates one collection per record in `context`, in order: a fresh uid, the colour from
    // `color`, the title capitalised as name, and one deeplink per record with its title, its
    // URL (none when the text does not parse) and `moment` as timestamp, and the record's
    // environments and active one. Nothing is saved.
    static QList<DeeplinkCollection*>
    insert(const QList<SerialisingDeeplinkRecordCollection>& records, ManagedObjectContext& context,
           const QDateTime& moment, const ColorChooser& color);

    // decode() then insert(): nothing is created unless every buffer decodes.
    static Result<QList<DeeplinkCollection*>, DecodingError>
    collections(const QList<QByteArray>& contents, ManagedObjectContext& context,
                const ColorChooser& color);
};
