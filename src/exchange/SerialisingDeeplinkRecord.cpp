#include "exchange/SerialisingDeeplinkRecord.h"

#include "exchange/DecodingError.h"
#include "exchange/ExchangeJson.h"

#include <QJsonObject>

void SerialisingDeeplinkRecord::appendJson(QByteArray& out, int level) const {
    if (!title && !url) {
        out.append("{}");
        return;
    }
    out.append("{\n");
    if (title) {
        ExchangeJson::appendIndent(out, level + 1);
        out.append("\"title\" : ");
        ExchangeJson::appendString(out, *title);
        out.append(url ? ",\n" : "\n");
    }
    if (url) {
        ExchangeJson::appendIndent(out, level + 1);
        out.append("\"url\" : ");
        ExchangeJson::appendString(out, *url);
        out.append('\n');
    }
    ExchangeJson::appendIndent(out, level);
    out.append('}');
}

SerialisingDeeplinkRecord SerialisingDeeplinkRecord::fromJson(const QJsonValue& value,
                                                              const QString& path) {
    if (!value.isObject())
        throw DecodingError(
            QStringLiteral("\"%1\" is %2, not an object").arg(path, ExchangeJson::describe(value)));
    const QJsonObject object = value.toObject();
    SerialisingDeeplinkRecord record;
    record.title = ExchangeJson::optionalString(object.value(QLatin1String("title")),
                                                path + QStringLiteral(".title"));
    record.url = ExchangeJson::optionalString(object.value(QLatin1String("url")),
                                              path + QStringLiteral(".url"));
    return record;
}
