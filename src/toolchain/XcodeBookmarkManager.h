#pragma once

#include <QObject>
#include <QUrl>

// Remembers the Xcode bundle the user chose and restores it at launch.
// (Placeholder until the bookmark-backed manager lands: it trusts the stored path.)
class XcodeBookmarkManager : public QObject {
    Q_OBJECT
public:
    enum class StateKind { Available, Loading, Unavailable };
    struct State {
        StateKind kind = StateKind::Unavailable;
        QUrl url; // set when available
        bool operator==(const State&) const = default;
    };

    explicit XcodeBookmarkManager(QObject* parent = nullptr);

    [[nodiscard]] State state() const { return m_state; }
    // Stores a newly chosen location; throws on failure.
    bool saveBookmark(const QUrl& url);

Q_SIGNALS:
    void stateChanged();

private:
    void setState(State state);
    State m_state;
};
