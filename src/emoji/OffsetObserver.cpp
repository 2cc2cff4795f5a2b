#include "emoji/OffsetObserver.h"

#include "emoji/SharedState.h"

#include <cmath>

OffsetObserver::OffsetObserver(QString category, SharedState* sharedState,
                               std::function<void()> updateHandler)
    : m_category(std::move(category))
    , m_sharedState(sharedState)
    , m_updateHandler(std::move(updateHandler)) {}

void OffsetObserver::framesChanged(const QList<OffsetViewFrame>& frames) const {
    if (!m_sharedState || m_sharedState->currentCategory() == m_category)
        return;
    const auto last = std::find_if(frames.crbegin(), frames.crend(),
                                   [this](const OffsetViewFrame& f) { return f.id == m_category; });
    if (last == frames.crend())
        return;
    const QRectF& frame = last->frame;
    if (frame.top() <= 0 && std::abs(frame.height()) > std::abs(frame.top())) {
        m_sharedState->setCurrentCategory(m_category);
        if (m_updateHandler)
            m_updateHandler();
    }
}
