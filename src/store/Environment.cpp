#include "store/Environment.h"

#include "platform/JsonDecoding.h"
#include "platform/JsonEncoding.h"

namespace {

void appendMember(QByteArray& out, int level, const char* key, const QString& value) {
    JsonEncoding::appendIndent(out, level);
    out.append('"').append(key).append("\" : ");
    JsonEncoding::appendString(out, value);
}

// Writes `items` as a JSON array of objects, each written by `appendItem` at `level` + 1.
template <typename T, typename F>
void appendArray(QByteArray& out, const QList<T>& items, int level, F appendItem) {
    if (items.isEmpty()) {
        out.append("[]");
        return;
    }
    out.append("[\n");
    for (qsizetype i = 0; i < items.size(); ++i) {
        JsonEncoding::appendIndent(out, level + 1);
        out.append("{\n");
        appendItem(items[i], level + 2);
        out.append('\n');
        JsonEncoding::appendIndent(out, level + 1);
        out.append(i + 1 < items.size() ? "},\n" : "}\n");
    }
    JsonEncoding::appendIndent(out, level);
    out.append(']');
}

} // namespace

std::optional<Environment> Environment::named(const QList<Environment>& environments,
                                              const QString& name) {
    for (const Environment& environment : environments) {
        if (environment.name == name)
            return environment;
    }
    return std::nullopt;
}

void Environment::appendJson(QByteArray& out, const QList<Environment>& environments, int level) {
    appendArray(out, environments, level, [&out](const Environment& environment, int inner) {
        appendMember(out, inner, "name", environment.name);
        out.append(",\n");
        JsonEncoding::appendIndent(out, inner);
        out.append("\"variables\" : ");
        appendArray(out, environment.variables, inner, [&out](const Variable& variable, int at) {
            appendMember(out, at, "name", variable.name);
            out.append(",\n");
            appendMember(out, at, "value", variable.value);
            out.append(",\n");
            JsonEncoding::appendIndent(out, at);
            out.append(variable.raw ? "\"raw\" : true" : "\"raw\" : false");
        });
    });
}

QList<Environment> Environment::fromJson(JsonDecoding& json, const QJsonArray& array) {
    const auto text = [&json](const QJsonObject& object, const char* key) {
        return json.optionalString(object, QLatin1StringView(key)).value_or(QString());
    };
    QList<Environment> environments;
    for (qsizetype i = 0; i < array.size() && !json.hasError(); ++i) {
        json.within(QStringLiteral("[%1]").arg(i), [&] {
            const QJsonObject object = json.objectElement(array[i]);
            Environment environment{text(object, "name"), {}};
            const QJsonArray variables =
                json.optionalArray(object, QLatin1StringView("variables")).value_or(QJsonArray());
            for (qsizetype v = 0; v < variables.size() && !json.hasError(); ++v) {
                json.within(QStringLiteral("variables[%1]").arg(v), [&] {
                    const QJsonObject entry = json.objectElement(variables[v]);
                    environment.variables.append(
                        {text(entry, "name"), text(entry, "value"),
                         json.optionalBool(entry, QLatin1StringView("raw")).value_or(false)});
                });
            }
            environments.append(std::move(environment));
        });
    }
    return environments;
}
