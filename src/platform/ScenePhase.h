#pragma once

#include <Qt>

// Whether the window's scene is in front and taking input: the application state of the
// desktop, in the three phases views react to.
enum class ScenePhase { Active, Inactive, Background };

namespace ScenePhases {

[[nodiscard]] constexpr ScenePhase fromApplicationState(Qt::ApplicationState state) {
    switch (state) {
    case Qt::ApplicationActive:
        return ScenePhase::Active;
    case Qt::ApplicationInactive:
        return ScenePhase::Inactive;
    case Qt::ApplicationHidden:
    case Qt::ApplicationSuspended:
        break;
    }
    return ScenePhase::Background;
}

} // namespace ScenePhases
