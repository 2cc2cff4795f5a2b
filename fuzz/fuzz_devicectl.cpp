// The device control tool's --json-output documents (devices and installed apps).
#include "destinations/DeviceCtlFormats.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        (void)DeviceCtlResponse::decode(json);
    } catch (const std::exception&) {
    }
    try {
        (void)DeviceCtlAppsResponse::decode(json);
    } catch (const std::exception&) {
    }
    return 0;
}
