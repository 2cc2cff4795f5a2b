// The device control tool's --json-output documents (devices and installed apps).
#include "destinations/DeviceCtlFormats.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)DeviceCtlResponse::decode(json);
    (void)DeviceCtlAppsResponse::decode(json);
    return 0;
}
