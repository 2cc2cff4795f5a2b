#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <functional>

class SharedState;

// Where one category section of the emoji list lies, in the coordinates of the list's visible
// area (y grows downwards; 0 is the top edge).
struct OffsetViewFrame {
    QString id;
    QRectF frame;
    friend bool operator==(const OffsetViewFrame&, const OffsetViewFrame&) = default;
};

// Plain class (no QObject) that follows one category section as the list scrolls: when the section
// crosses the top edge of the visible area and is not already the current category, makes it
// current and calls `updateHandler`. This is how the category bar follows scrolling without moving
// the list.
class OffsetObserver {
public:
    OffsetObserver(QString category, SharedState* sharedState, std::function<void()> updateHandler);

    [[nodiscard]] const QString& category() const { return m_category; }

    // Called with the frames of every section whenever they change.
    void framesChanged(const QList<OffsetViewFrame>& frames) const;

private:
    QString m_category;
    QPointer<SharedState> m_sharedState;
    std::function<void()> m_updateHandler;
};
