#include "widgets/OutcomeMark.h"

#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"

namespace OutcomeMark {

QIcon icon(FiringOutcome::Result result) {
    const FiringOutcome outcome{.result = result};
    if (outcome.isFailure())
        return SymbolImage::icon(QStringLiteral("exclamationmark.triangle"), TextStyle::red());
    if (outcome.isWarning())
        return SymbolImage::icon(QStringLiteral("exclamationmark.triangle"), TextStyle::orange());
    return SymbolImage::icon(QStringLiteral("checkmark"), TextStyle::green());
}

} // namespace OutcomeMark
