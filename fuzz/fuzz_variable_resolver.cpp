// Filling variables into URL texts. The input is "<url text>\n[!]name=value\n...": a text with
// placeholders and the variables' values ("!" marks a raw one). Besides crashes, it stops on a
// broken rule: a filled URL that is no URL, a success that left a variable missing, text before
// the first placeholder that changed, or a query value that does not decode back to what the
// variable holds.
#include "store/Placeholder.h"
#include "store/UrlText.h"
#include "store/VariableResolver.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void broken(const char* rule, const QString& text, const QString& url) {
    std::fprintf(stderr, "broken rule: %s\n  text: %s\n  url:  %s\n", rule,
                 text.toUtf8().constData(), url.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = input.split(QLatin1Char('\n'));
    const QString text = lines.value(0);
    QList<Variable> variables;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = lines[i];
        const bool raw = line.startsWith(u'!');
        if (raw)
            line.remove(0, 1);
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0)
            variables.append({line.first(equals), line.sliced(equals + 1), raw});
    }
    VariableSources sources;
    sources.add(variables);

    const VariableResolver::Resolution resolution = VariableResolver::resolve(text, sources);
    const QList<Placeholder> placeholders = Placeholder::find(text);
    if (resolution.ok() && !placeholders.isEmpty()) {
        if (!resolution.missing.isEmpty())
            broken("a success with a variable missing", text, resolution.url);
        if (!UrlText::parse(resolution.url, UrlText::Placeholders::Literal))
            broken("a filled URL is no URL", text, resolution.url);
        if (!resolution.url.startsWith(QStringView(text).first(placeholders.front().start)))
            broken("the text before the first placeholder changed", text, resolution.url);
    }

    if (variables.isEmpty())
        return 0;
    Variable value = variables.front();
    value.name = QStringLiteral("v");
    value.raw = false;
    VariableSources one;
    one.add({value});
    const auto query = VariableResolver::resolve(QStringLiteral("s://h/p?q={{v}}&x=1"), one);
    if (!query.ok())
        broken("a query value is refused", value.value, query.problem);
    const QString encoded = query.url.mid(10).chopped(4);
    const QString decoded = QString::fromUtf8(QByteArray::fromPercentEncoding(encoded.toUtf8()));
    if (decoded != value.value)
        broken("a query value does not decode back", value.value, query.url);
    return 0;
}
