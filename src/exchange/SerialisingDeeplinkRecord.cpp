#include "exchange/SerialisingDeeplinkRecord.h"

#include "platform/JsonDecoding.h"
#include "platform/JsonEncoding.h"

void SerialisingDeeplinkRecord::appendJson(QByteArray& out, int level) const {
    if (!title && !url) {
        out.append("{}");
        return;
    }
    out.append("{\n");
    if (title) {
        JsonEncoding::appendIndent(out, level + 1);
        out.append("\"title\" : ");
        JsonEncoding::appendString(out, *title);
        out.append(url ? ",\n" : "\n");
    }
    if (url) {
        JsonEncoding::appendIndent(out, level + 1);
        out.append("\"url\" : ");
        JsonEncoding::appendString(out, *url);
        out.append('\n');
    }
    JsonEncoding::appendIndent(out, level);
    out.append('}');
}

SerialisingDeeplinkRecord SerialisingDeeplinkRecord::fromJson(JsonDecoding& json,
                                                              const QJsonObject& object) {
    return {json.optionalString(object, QLatin1StringView("title")),
            json.optionalString(object, QLatin1StringView("url"))};
}
