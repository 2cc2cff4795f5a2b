#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// A variable's place in a URL's text: "{{name}}", the name a letter or "_" and then letters,
// digits, "_", "-" or ".". Anything else, a lone "{{" or "{{ name }}" included, is literal text.
// None of the name's characters delimits a URL component, so a placeholder always stands
// inside one component.
struct Placeholder {
    qsizetype start = 0; // of the "{{"
    qsizetype size = 0;  // through the "}}"
    QString name;

    friend bool operator==(const Placeholder&, const Placeholder&) = default;

    // Every placeholder in `text`, in order.
    [[nodiscard]] static QList<Placeholder> find(QStringView text);
    // The names in `text`, each once, in the order they first appear.
    [[nodiscard]] static QStringList names(QStringView text);
    // Whether `name` is a valid variable name.
    [[nodiscard]] static bool isName(QStringView name);
};
