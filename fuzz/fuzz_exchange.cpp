// Collection exchange files as chosen by the user for import.
#include "exchange/SerialisingDeeplinkRecordCollection.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)SerialisingDeeplinkRecordCollection::decode(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
