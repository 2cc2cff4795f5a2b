// Simulator listings as the simulator control tool prints them: JSON or the text form.
#include "destinations/SimctlClient.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)SimctlClient::parseSimulatorList(text);
    (void)SimctlClient::parseRuntime(text);
    return 0;
}
