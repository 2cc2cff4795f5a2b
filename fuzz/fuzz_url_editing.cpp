// The deeplink editor's URL rules. The input is "<url>\n<field digit><text>\n<row text>": a
// stored URL text, one field write, and one parameter row write. Besides crashes, it stops on
// a broken rule: a write that stores text that is no URL, a URL field whose shown text does not
// read back as the same text, rows that do not survive being written back, or a typed row name
// or value that does not read back as typed.
#include "store/DeeplinkUrlEditing.h"
#include "store/UrlText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace DeeplinkUrlEditing;

namespace {

[[noreturn]] void broken(const char* rule, const QString& before, const QString& after) {
    std::fprintf(stderr, "broken rule: %s\n  before: %s\n  after:  %s\n", rule,
                 before.toUtf8().constData(), after.toUtf8().constData());
    std::abort();
}

// An empty value and a missing one are written alike (the name alone).
QList<QueryItem> normalised(QList<QueryItem> rows) {
    for (QueryItem& row : rows) {
        if (row.store.value && row.store.value->isEmpty())
            row.store.value.reset();
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList parts = input.split(QLatin1Char('\n'));
    const QString url = parts.value(0);
    const QString write = parts.value(1);
    const QString rowText = parts.value(2);

    for (const Field field : {Field::Url, Field::Host, Field::Scheme, Field::Port, Field::User,
                              Field::Password, Field::Path}) {
        (void)fieldText(url, field);
    }
    if (!write.isEmpty()) {
        const auto field = static_cast<Field>(write.front().unicode() % 7);
        const QString written = withFieldText(url, field, write.mid(1));
        (void)fieldText(written, field);
        if (written != url && !written.isEmpty() && !UrlText::parse(written))
            broken("a write stores text that is no URL", url, written);
    }
    (void)queryItems(url);
    const QList<QueryItem> current = rows(url);
    qint64 newId = 0;
    const QString added = withAddedRow(url, &newId);
    (void)withRowName(added, newId, rowText);
    (void)withRowValue(added, newId, rowText);
    if (!current.isEmpty()) {
        QList<QueryItem> edited = current;
        edited.front().store.value = rowText;
        (void)rows(withRows(url, edited));
    }
    (void)withLastRowRemoved(url);
    (void)decimalInteger(write);

    // The rules below hold for what the store can hold: text that is a URL.
    if (!UrlText::parse(url))
        return 0;
    const QString shownAgain = withFieldText(url, Field::Url, fieldText(url, Field::Url));
    if (shownAgain != url)
        broken("the URL field's text does not read back as the same text", url, shownAgain);
    const QString rewritten = withRows(url, current);
    if (normalised(rows(rewritten)) != normalised(current))
        broken("rows written back read differently", url, rewritten);
    if (!rowText.isEmpty() && !current.isEmpty()) {
        const QString named = withRowName(url, 1, rowText);
        if (rows(named).value(0).store.name != rowText)
            broken("a typed name does not read back as typed", url, named);
        const QString valued = withRowValue(url, 1, rowText);
        if (rows(valued).value(0).store.value.value_or(QString()) != rowText)
            broken("a typed value does not read back as typed", url, valued);
    }
    return 0;
}
