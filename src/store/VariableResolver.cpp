#include "store/VariableResolver.h"

#include "store/Placeholder.h"
#include "store/UrlText.h"

namespace {

using Part = UrlText::Part;

QString percentEncoded(const QString& value, QStringView reserved) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (reserved.contains(c))
            out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return UrlText::encodedWhereNeeded(out);
}

bool onlyCharacters(const QString& value, bool (*allowed)(QChar)) {
    return std::all_of(value.begin(), value.end(), allowed);
}

bool isSchemeCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'+' || c == u'-' || c == u'.';
}

// A host's registered name: unreserved and sub-delimiter characters; beyond ASCII a name
// is encoded like the rest of the URL.
bool isHostCharacter(QChar c) {
    return c.unicode() > 0x7f || isSchemeCharacter(c) || QStringView(u"_~!$&'()*,;=").contains(c);
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The component of `url` that the text at `position` lies in.
Part partAt(const UrlText& url, qsizetype position) {
    for (const Part part : {Part::Scheme, Part::User, Part::Password, Part::Host, Part::Port,
                            Part::Query, Part::Fragment}) {
        const QStringView text = url.part(part);
        const qsizetype start = url.has(part) ? text.data() - url.text().data() : -1;
        if (start >= 0 && position >= start && position < start + text.size())
            return part;
    }
    return Part::Path;
}

// `variable`'s value as it goes into `part`, or a sentence saying why it cannot.
Result<QString> filled(const Variable& variable, Part part) {
    if (variable.raw)
        return UrlText::encodedWhereNeeded(variable.value);
    const auto refused = [&variable](const char* where) {
        return ResultError(
            QStringLiteral("{{%1}} holds \u201c%2\u201d, which cannot stand in a URL\u2019s %3.")
                .arg(variable.name, variable.value, QLatin1StringView(where)));
    };
    switch (part) {
    case Part::Scheme:
        if (!onlyCharacters(variable.value, isSchemeCharacter))
            return refused("scheme");
        return variable.value;
    case Part::Host:
        if (!onlyCharacters(variable.value, isHostCharacter))
            return refused("host");
        return UrlText::encodedWhereNeeded(variable.value);
    case Part::Port:
        if (!onlyCharacters(variable.value, isDigit))
            return refused("port");
        return variable.value;
    case Part::User:
    case Part::Password:
        return percentEncoded(variable.value, u":@/?#%");
    case Part::Path:
        return percentEncoded(variable.value, u"/?#%");
    case Part::Query:
        return percentEncoded(variable.value, u"&=#+%");
    case Part::Fragment:
        return percentEncoded(variable.value, u"#%");
    }
    return variable.value;
}

} // namespace

namespace VariableResolver {

Resolution resolve(const QString& text, const VariableSources& sources) {
    const QList<Placeholder> placeholders = Placeholder::find(text);
    if (placeholders.isEmpty())
        return {text, {}, {}};
    Resolution resolution;
    // No value turns a text that is no URL into one: that is said rather than values asked for.
    const Result<UrlText> url = UrlText::parse(text);
    if (!url) {
        resolution.problem = url.error();
        return resolution;
    }
    for (const Placeholder& placeholder : placeholders) {
        if (!sources.find(placeholder.name) && !resolution.missing.contains(placeholder.name))
            resolution.missing.append(placeholder.name);
    }
    if (!resolution.missing.isEmpty()) {
        resolution.problem = missingSentence(resolution.missing);
        return resolution;
    }
    QString out;
    qsizetype at = 0;
    for (const Placeholder& placeholder : placeholders) {
        const Result<QString> value =
            filled(*sources.find(placeholder.name), partAt(*url, placeholder.start));
        if (!value) {
            resolution.problem = value.error();
            return resolution;
        }
        out += QStringView(text).sliced(at, placeholder.start - at);
        out += *value;
        at = placeholder.start + placeholder.size;
    }
    out += QStringView(text).sliced(at);
    // A raw value, or an empty scheme or port value, can still leave no URL.
    const Result<UrlText> resolved = UrlText::parse(out, UrlText::Placeholders::Literal);
    if (!resolved) {
        resolution.problem =
            QStringLiteral("With its variables filled in, \u201c%1\u201d is no URL: %2")
                .arg(out, resolved.error());
        return resolution;
    }
    resolution.url = out;
    return resolution;
}

QString missingSentence(const QStringList& names) {
    QStringList placeholders;
    for (const QString& name : names)
        placeholders.append(QStringLiteral("{{%1}}").arg(name));
    return (names.size() == 1 ? QStringLiteral("No value for %1.")
                              : QStringLiteral("No values for %1."))
        .arg(placeholders.join(QStringLiteral(", ")));
}

} // namespace VariableResolver
