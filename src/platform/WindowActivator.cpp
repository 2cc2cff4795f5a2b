#include "platform/WindowActivator.h"

namespace WindowActivator {
namespace {
std::function<void()>& handler() {
    static std::function<void()> installed;
    return installed;
}
} // namespace

void setHandler(std::function<void()> newHandler) {
    handler() = std::move(newHandler);
}

void activateKestrine() {
    if (handler())
        handler()();
}

} // namespace WindowActivator
