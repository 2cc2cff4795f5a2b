// What `adb shell cmd package resolve-activity --brief` prints, and the component it names.
#include "destinations/AndroidComponent.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<AndroidComponent> component = AndroidComponent::resolvedBy(text))
        (void)component->package();
    if (const std::optional<AndroidComponent> component = AndroidComponent::parse(text))
        (void)component->isChooser();
    return 0;
}
