#pragma once

#include <Qt>

// Plain enum: Qt::ApplicationState folded into the three phases views react to (see
// ScenePhases::fromApplicationState), i.e. whether the window is in front and taking input.
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
