#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

// QObject that remembers the Xcode bundle the user chose, as a bookmark in the user defaults
// ("XcodeBookmarkManager.bookmarkData", with the last resolved location in
// "XcodeBookmarkManager.xcodeURL"), or that the user went on without one
// ("XcodeBookmarkManager.continuesWithoutXcode"), and restores it when constructed.
class XcodeBookmarkManager : public QObject {
    Q_OBJECT
public:
    // WithoutXcode: the user chose to go on without Xcode (no bookmark, nothing to ask again).
    enum class StateKind { Available, Loading, Unavailable, WithoutXcode };
    struct State {
        StateKind kind = StateKind::Unavailable;
        QUrl url; // the Xcode bundle, when available
        bool operator==(const State&) const = default;
    };

    // Starts unavailable and restores the stored bookmark at once. A bookmark that no longer
    // resolves leaves the manager unavailable (and is logged), so the user can choose again.
    explicit XcodeBookmarkManager(QObject* parent = nullptr);

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] QUrl xcodeURL() const;
    [[nodiscard]] QByteArray bookmarkData() const;

    // Restores the stored location: without a bookmark unavailable (or without Xcode, when the
    // user chose so), available once it resolves.
    // `refresh` first makes a new bookmark from the stored URL (done by itself when the stored
    // one is stale). Throws AppError when the bookmark cannot be made or resolved; the state is
    // then unavailable and the stored values are kept, so a bundle that comes back (a volume
    // mounted again) is found at the next launch.
    void loadBookmark(bool refresh);

    // Stores a newly chosen location and makes it available. Returns whether access to it was
    // started. Throws AppError, changing nothing, when it cannot be bookmarked.
    bool saveBookmark(const QUrl& url);

    // Remembers that the user goes on without Xcode, until an Xcode is saved; forgets a
    // bookmark that was left.
    void continueWithoutXcode();

Q_SIGNALS:
    void stateChanged();

private:
    void restore(bool refresh);
    void setState(State state);
    void setXcodeURL(const QUrl& url);
    void setBookmarkData(const QByteArray& data);

    State m_state;
};
