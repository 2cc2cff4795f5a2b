#include "store/Placeholder.h"

namespace {

bool isNameStart(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isNameCharacter(QChar c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

// The length of the name starting at `from`, 0 when none starts there.
qsizetype nameLength(QStringView text, qsizetype from) {
    if (from >= text.size() || !isNameStart(text[from]))
        return 0;
    qsizetype end = from + 1;
    while (end < text.size() && isNameCharacter(text[end]))
        ++end;
    return end - from;
}

} // namespace

QList<Placeholder> Placeholder::find(QStringView text) {
    QList<Placeholder> found;
    qsizetype at = text.indexOf(u"{{");
    while (at >= 0) {
        const qsizetype length = nameLength(text, at + 2);
        const qsizetype close = at + 2 + length;
        if (length > 0 && text.sliced(close).startsWith(u"}}")) {
            found.append({at, length + 4, text.sliced(at + 2, length).toString()});
            at = text.indexOf(u"{{", close + 2);
        } else {
            // "{{{name}}": the placeholder may start one brace later.
            at = text.indexOf(u"{{", at + 1);
        }
    }
    return found;
}

QStringList Placeholder::names(QStringView text) {
    QStringList names;
    for (const Placeholder& placeholder : find(text)) {
        if (!names.contains(placeholder.name))
            names.append(placeholder.name);
    }
    return names;
}

bool Placeholder::isName(QStringView name) {
    return !name.isEmpty() && nameLength(name, 0) == name.size();
}
