// What `adb shell am start -W` prints, read into a report and the firing's outcome.
#include "destinations/AmStartReport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const FiringOutcome outcome = AmStartReport::parse(text).outcome(QStringLiteral("com.x"));
    (void)outcome.summary(QStringLiteral("shop://x"));
    return 0;
}
