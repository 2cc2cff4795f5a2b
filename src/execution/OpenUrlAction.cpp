#include "execution/OpenUrlAction.h"

#include "store/Deeplink.h"

FiringRequest FiringRequest::forDeeplink(const Deeplink& deeplink) {
    return {.url = deeplink.urlString(), .title = deeplink.title()};
}
