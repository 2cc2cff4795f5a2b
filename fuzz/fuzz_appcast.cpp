// The update feed.
#include "updates/Appcast.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)Appcast::parse(QByteArrayView(data, static_cast<qsizetype>(size)),
                         QUrl(QStringLiteral("https://example.com/feed/appcast.xml")));
    return 0;
}
