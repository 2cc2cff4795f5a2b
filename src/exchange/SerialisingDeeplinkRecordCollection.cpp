#include "exchange/SerialisingDeeplinkRecordCollection.h"

#include "platform/JsonDecoding.h"
#include "platform/JsonEncoding.h"

QByteArray SerialisingDeeplinkRecordCollection::encoded() const {
    QByteArray out;
    if (!title && !deeplinks && !environments && !activeEnvironment) {
        out.append("{}\n");
        return out;
    }
    // Roughly what a deeplink takes, so large collections are not copied over and over.
    out.reserve(64 + (deeplinks ? deeplinks->size() * 96 : 0));
    out.append("{\n");
    bool first = true;
    const auto member = [&](const char* key) {
        out.append(first ? "" : ",\n");
        first = false;
        JsonEncoding::appendIndent(out, 1);
        out.append('"').append(key).append("\" : ");
    };
    if (title) {
        member("title");
        JsonEncoding::appendString(out, *title);
    }
    if (deeplinks) {
        member("deeplinks");
        if (deeplinks->isEmpty()) {
            out.append("[]");
        } else {
            out.append("[\n");
            for (qsizetype i = 0; i < deeplinks->size(); ++i) {
                JsonEncoding::appendIndent(out, 2);
                deeplinks->at(i).appendJson(out, 2);
                out.append(i + 1 < deeplinks->size() ? ",\n" : "\n");
            }
            JsonEncoding::appendIndent(out, 1);
            out.append("]");
        }
    }
    if (environments) {
        member("environments");
        Environment::appendJson(out, *environments, 1);
    }
    if (activeEnvironment) {
        member("activeEnvironment");
        JsonEncoding::appendString(out, *activeEnvironment);
    }
    out.append("\n}\n");
    return out;
}

Result<SerialisingDeeplinkRecordCollection, DecodingError>
SerialisingDeeplinkRecordCollection::decode(const QByteArray& data) {
    if (data.trimmed().isEmpty())
        return ResultError(DecodingError(QStringLiteral("the file is empty")));
    JsonDecoding json;
    const QJsonObject object = json.documentObject(data);
    SerialisingDeeplinkRecordCollection record;
    record.title = json.optionalString(object, QLatin1StringView("title"));
    const std::optional<QJsonArray> deeplinks =
        json.optionalArray(object, QLatin1StringView("deeplinks"));
    if (deeplinks) {
        QList<SerialisingDeeplinkRecord> records;
        records.reserve(deeplinks->size());
        for (qsizetype i = 0; i < deeplinks->size() && !json.hasError(); ++i) {
            records.append(json.within(QStringLiteral("deeplinks[%1]").arg(i), [&] {
                return SerialisingDeeplinkRecord::fromJson(json,
                                                           json.objectElement(deeplinks->at(i)));
            }));
        }
        record.deeplinks = std::move(records);
    }
    if (const std::optional<QJsonArray> environments =
            json.optionalArray(object, QLatin1StringView("environments"))) {
        record.environments = json.within(QStringLiteral("environments"), [&] {
            return Environment::fromJson(json, *environments);
        });
    }
    record.activeEnvironment = json.optionalString(object, QLatin1StringView("activeEnvironment"));
    Result<SerialisingDeeplinkRecordCollection, JsonDecodingError> decoded =
        json.result(std::move(record));
    if (!decoded)
        return ResultError(DecodingError(decoded.error()));
    return std::move(decoded).value();
}
