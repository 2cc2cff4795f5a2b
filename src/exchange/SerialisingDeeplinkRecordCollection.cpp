#include "exchange/SerialisingDeeplinkRecordCollection.h"

#include "exchange/DecodingError.h"
#include "exchange/ExchangeJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

QByteArray SerialisingDeeplinkRecordCollection::encoded() const {
    QByteArray out;
    if (!title && !deeplinks) {
        out.append("{}\n");
        return out;
    }
    // Roughly what a deeplink takes, so large collections are not copied over and over.
    out.reserve(64 + (deeplinks ? deeplinks->size() * 96 : 0));
    out.append("{\n");
    if (title) {
        ExchangeJson::appendIndent(out, 1);
        out.append("\"title\" : ");
        ExchangeJson::appendString(out, *title);
        out.append(deeplinks ? ",\n" : "\n");
    }
    if (deeplinks) {
        ExchangeJson::appendIndent(out, 1);
        if (deeplinks->isEmpty()) {
            out.append("\"deeplinks\" : []\n");
        } else {
            out.append("\"deeplinks\" : [\n");
            for (qsizetype i = 0; i < deeplinks->size(); ++i) {
                ExchangeJson::appendIndent(out, 2);
                deeplinks->at(i).appendJson(out, 2);
                out.append(i + 1 < deeplinks->size() ? ",\n" : "\n");
            }
            ExchangeJson::appendIndent(out, 1);
            out.append("]\n");
        }
    }
    out.append("}\n");
    return out;
}

SerialisingDeeplinkRecordCollection
SerialisingDeeplinkRecordCollection::decode(const QByteArray& data) {
    if (data.trimmed().isEmpty())
        throw DecodingError(QStringLiteral("the file is empty"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw DecodingError(QStringLiteral("malformed JSON at byte %1: %2")
                                .arg(parseError.offset)
                                .arg(parseError.errorString()));
    if (!document.isObject())
        throw DecodingError(document.isArray()
                                ? QStringLiteral("the top level is an array, not an object")
                                : QStringLiteral("the top level is not an object"));
    const QJsonObject object = document.object();

    SerialisingDeeplinkRecordCollection record;
    record.title =
        ExchangeJson::optionalString(object.value(QLatin1String("title")), QStringLiteral("title"));
    const QJsonValue deeplinks = object.value(QLatin1String("deeplinks"));
    if (deeplinks.isUndefined() || deeplinks.isNull())
        return record;
    if (!deeplinks.isArray())
        throw DecodingError(QStringLiteral("\"deeplinks\" is %1, not an array")
                                .arg(ExchangeJson::describe(deeplinks)));
    const QJsonArray array = deeplinks.toArray();
    QList<SerialisingDeeplinkRecord> records;
    records.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        records.append(SerialisingDeeplinkRecord::fromJson(array.at(i),
                                                           QStringLiteral("deeplinks[%1]").arg(i)));
    record.deeplinks = std::move(records);
    return record;
}
