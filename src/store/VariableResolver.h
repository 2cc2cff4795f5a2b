#pragma once

#include "store/VariableSources.h"

#include <QString>
#include <QStringList>

// Fills the placeholders of a URL's text (see Placeholder) with variable values. A value is
// percent-encoded for the component its placeholder stands in: in the query "&", "=", "#",
// "+" and "%", in the path "/", "?", "#" and "%", in the fragment "#" and "%", in the user
// information also ":" and "@", and everywhere what cannot stand in a URL at all (UTF-8,
// upper-case hex). A scheme, host or port takes only a value valid there. A raw value goes in
// as written, only what cannot stand in a URL encoded. The text around the placeholders stays
// as it is.
namespace VariableResolver {

struct Resolution {
    QString url;         // the URL to fire; empty unless ok()
    QStringList missing; // variables without a value, in the order they first appear
    QString problem;     // why there is no URL, as a sentence; empty when ok()

    [[nodiscard]] bool ok() const { return problem.isEmpty(); }
};

// `text` with every placeholder filled from `sources`. A text without placeholders comes back
// as it is; one that is no URL whatever the values says why, and nothing is missing from it.
[[nodiscard]] Resolution resolve(const QString& text, const VariableSources& sources);

// "No value for {{a}}." / "No values for {{a}}, {{b}}.": the sentence for missing variables.
[[nodiscard]] QString missingSentence(const QStringList& names);

} // namespace VariableResolver
