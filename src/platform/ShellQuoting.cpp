#include "platform/ShellQuoting.h"

#include <algorithm>

namespace {

bool isPlain(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           QStringView(u"_@%+=:,./-").contains(c);
}

} // namespace

namespace ShellQuoting {

QString quoted(const QString& word) {
    // A plain word with '=' is an assignment only before the program; none is put there.
    if (!word.isEmpty() && std::all_of(word.cbegin(), word.cend(), isPlain))
        return word;
    QString text = word;
    text.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + text + u'\'';
}

QString joined(const QStringList& argv) {
    QStringList words;
    words.reserve(argv.size());
    for (const QString& word : argv)
        words.append(quoted(word));
    return words.join(u' ');
}

} // namespace ShellQuoting
