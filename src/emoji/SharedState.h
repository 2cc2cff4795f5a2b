#pragma once

#include "emoji/Emoji.h"

#include <QObject>
#include <QStringList>

#include <optional>

// QObject that holds the state the emoji picker's parts share while it is open: the keyword typed
// into its search bar, the category its list and category bar are on, the last emoji chosen.
// Setters notify only on a real change.
class SharedState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSearching READ isSearching WRITE setIsSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(QString keyword READ keyword WRITE setKeyword NOTIFY keywordChanged)
    Q_PROPERTY(QString currentCategory READ currentCategory WRITE setCurrentCategory NOTIFY
                   currentCategoryChanged)
public:
    // Starts on "Recent" when `recentEmojis` is non-empty, otherwise on "Smileys & Emotion".
    explicit SharedState(const QStringList& recentEmojis, QObject* parent = nullptr);
    // Reads the stored recents once.
    explicit SharedState(QObject* parent = nullptr);

    [[nodiscard]] const std::optional<Emoji>& selectedEmoji() const { return m_selectedEmoji; }
    void setSelectedEmoji(const std::optional<Emoji>& emoji);
    [[nodiscard]] bool isSearching() const { return m_isSearching; }
    void setIsSearching(bool isSearching);
    [[nodiscard]] QString keyword() const { return m_keyword; }
    void setKeyword(const QString& keyword);
    [[nodiscard]] QString currentCategory() const { return m_currentCategory; }
    void setCurrentCategory(const QString& category);

Q_SIGNALS:
    void selectedEmojiChanged();
    void isSearchingChanged();
    void keywordChanged();
    void currentCategoryChanged();

private:
    std::optional<Emoji> m_selectedEmoji;
    bool m_isSearching = false;
    QString m_keyword;
    QString m_currentCategory;
};
