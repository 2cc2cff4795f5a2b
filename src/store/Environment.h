#pragma once

#include "store/Variable.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

#include <optional>

class JsonDecoding;

// A named set of variable values ("Staging", "Production"); a collection keeps a list of them
// and fires with the one that is active.
struct Environment {
    QString name;
    QList<Variable> variables;

    friend bool operator==(const Environment&, const Environment&) = default;

    // The environment named `name` in `environments`, if any.
    [[nodiscard]] static std::optional<Environment> named(const QList<Environment>& environments,
                                                          const QString& name);

    // `environments` as a JSON array, indented for `level` (see JsonEncoding): [{"name": ...,
    // "variables": [{"name": ..., "value": ..., "raw": ...}]}]. The store and exchange files
    // both hold this form.
    static void appendJson(QByteArray& out, const QList<Environment>& environments, int level);
    // The array appendJson() writes; a failure is kept in `json` (unknown keys are ignored).
    [[nodiscard]] static QList<Environment> fromJson(JsonDecoding& json, const QJsonArray& array);
};
