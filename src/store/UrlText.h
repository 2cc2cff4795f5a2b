#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// A value type: a URL kept as the text it was written in, with the spans of its components
// located in that text: scheme ":" ["//" [user [":" password] "@"] host [":" port]] path
// ["?" query] ["#" fragment]. It serves to show the components and to rewrite one of them
// while every other character stays as written; nothing folds case, decodes or re-encodes.
class UrlText {
public:
    enum class Part { Scheme, User, Password, Host, Port, Path, Query, Fragment };

    // No URL: no part at all.
    UrlText() = default;

    // `text` with each character that cannot stand in a URL at all (ASCII controls, space,
    // anything beyond ASCII) percent-encoded as UTF-8 with upper-case hex; nothing else changes.
    [[nodiscard]] static QString encodedWhereNeeded(QStringView text);

    // How parse() reads "{{name}}": as a variable's place, which the scheme and port take
    // whatever the variable will hold, or as literal text (a URL with its variables filled in).
    enum class Placeholders { Allowed, Literal };

    // The URL written as `text`, or, as a sentence for the user, why it is not one: no scheme,
    // a port that is not a decimal number up to 65535, an unclosed "[" host, or a character
    // that cannot stand in a URL (see encodedWhereNeeded()).
    static Result<UrlText> parse(const QString& text,
                                 Placeholders placeholders = Placeholders::Allowed);
    // parse()'s sentence alone; empty when `text` is a URL.
    [[nodiscard]] static QString problem(const QString& text);

    [[nodiscard]] const QString& text() const { return m_text; }
    // Whether the part is written at all: "s://h:/" has an empty port, "s://h/" none.
    [[nodiscard]] bool has(Part part) const { return span(part).start >= 0; }
    // The part as written (a bracketed host keeps its brackets); empty when absent.
    [[nodiscard]] QStringView part(Part part) const;

    // The text of this URL with `part` written as `text` (already encoded for that part) or
    // taken out (none), every other part as it was: empty when no part is left, none when the
    // result is no URL or reads any other part differently (a relative path under a host, a
    // scheme taken off, a bad scheme or port).
    [[nodiscard]] std::optional<QString> with(Part part, const std::optional<QString>& text) const;

private:
    struct Span {
        qsizetype start = -1;
        qsizetype size = 0;
    };
    [[nodiscard]] const Span& span(Part part) const { return m_spans[size_t(part)]; }

    QString m_text;
    std::array<Span, 8> m_spans{};
};
