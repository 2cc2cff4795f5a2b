// The deeplink editor's URL rules. The input is "<url>\n<field digit><text>\n<row text>": a
// stored URL, one field write, and one parameter row write.
#include "window/DeeplinkUrlEditing.h"

#include <cstddef>
#include <cstdint>

using namespace DeeplinkUrlEditing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList parts = input.split(QLatin1Char('\n'));
    const QUrl url(parts.value(0));
    const QString write = parts.value(1);
    const QString rowText = parts.value(2);

    for (const Field field : {Field::url, Field::host, Field::scheme, Field::port, Field::user,
                              Field::password, Field::path}) {
        (void)fieldText(url, field);
    }
    if (!write.isEmpty()) {
        const auto field = static_cast<Field>(write.front().unicode() % 7);
        const QUrl written = withFieldText(url, field, write.mid(1));
        (void)fieldText(written, field);
    }
    (void)queryItems(url);
    const QList<QueryItem> current = rows(url);
    qint64 newId = 0;
    const QUrl added = withAddedRow(url, &newId);
    (void)withRowName(added, newId, rowText);
    (void)withRowValue(added, newId, rowText);
    if (!current.isEmpty()) {
        QList<QueryItem> edited = current;
        edited.front().store.value = rowText;
        (void)rows(withRows(url, edited));
    }
    (void)withLastRowRemoved(url);
    (void)decimalInteger(write);
    return 0;
}
