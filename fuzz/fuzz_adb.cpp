// What adb prints: the `devices -l` listing and the output of an `am start` on the device.
#include "destinations/AdbClient.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)AdbClient::parseDeviceList(text);
    (void)AdbClient::failureLine(text);
    (void)AdbClient::parsePackages(text);
    return 0;
}
