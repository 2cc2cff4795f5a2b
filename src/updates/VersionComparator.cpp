#include "updates/VersionComparator.h"

#include <QList>

namespace VersionComparator {

namespace {

struct Token {
    bool isNumber = false;
    // Digits without leading zeros (never empty for a number: zero is "0"), or the text.
    QStringView text;
};

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isSeparator(QChar c) {
    return c == u'.' || c == u'-' || c == u'_' || c == u'+' || c.isSpace();
}

QList<Token> tokenize(QStringView version) {
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < version.size()) {
        const QChar c = version.at(i);
        if (isSeparator(c)) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        if (isDigit(c)) {
            while (i < version.size() && isDigit(version.at(i)))
                ++i;
            QStringView digits = version.sliced(start, i - start);
            // Compared as digit strings, so numbers of any length never overflow.
            while (digits.size() > 1 && digits.front() == u'0')
                digits = digits.sliced(1);
            tokens.append({true, digits});
        } else {
            while (i < version.size() && !isDigit(version.at(i)) && !isSeparator(version.at(i)))
                ++i;
            tokens.append({false, version.sliced(start, i - start)});
        }
    }
    return tokens;
}

std::weak_ordering compareNumbers(QStringView lhs, QStringView rhs) {
    if (lhs.size() != rhs.size())
        return lhs.size() <=> rhs.size();
    const int order = lhs.compare(rhs);
    return order <=> 0;
}

bool isZero(const Token& token) {
    return token.isNumber && token.text == u"0";
}

// What the tokens left over after the shorter version ended say about the longer one.
std::weak_ordering compareRemainder(const QList<Token>& tokens, qsizetype from) {
    while (from < tokens.size() && isZero(tokens.at(from)))
        ++from;
    if (from == tokens.size())
        return std::weak_ordering::equivalent;
    // 1.0b1 is older than 1.0; 1.0.1 is newer than 1.0.
    return tokens.at(from).isNumber ? std::weak_ordering::greater : std::weak_ordering::less;
}

} // namespace

std::weak_ordering compare(QStringView lhs, QStringView rhs) {
    const QList<Token> left = tokenize(lhs);
    const QList<Token> right = tokenize(rhs);
    const qsizetype common = qMin(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Token& a = left.at(i);
        const Token& b = right.at(i);
        if (a.isNumber && b.isNumber) {
            if (const auto order = compareNumbers(a.text, b.text); order != 0)
                return order;
        } else if (!a.isNumber && !b.isNumber) {
            const int order = a.text.compare(b.text, Qt::CaseInsensitive);
            if (order != 0)
                return order <=> 0;
        } else {
            // A number where the other has text: 1.0.1 is newer than 1.0b1.
            return a.isNumber ? std::weak_ordering::greater : std::weak_ordering::less;
        }
    }
    if (left.size() > common)
        return compareRemainder(left, common);
    if (right.size() > common)
        return 0 <=> compareRemainder(right, common);
    return std::weak_ordering::equivalent;
}

} // namespace VersionComparator
