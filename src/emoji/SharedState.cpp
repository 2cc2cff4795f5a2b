#include "emoji/SharedState.h"

#include "emoji/EmojiStore.h"
#include "emoji/SectionType.h"

SharedState::SharedState(const QStringList& recentEmojis, QObject* parent)
    : QObject(parent)
    , m_currentCategory(SectionTypes::rawValue(recentEmojis.isEmpty() ? SectionType::Smileys
                                                                      : SectionType::Recent)) {}

SharedState::SharedState(QObject* parent)
    : SharedState(EmojiStore::recentEmojis(), parent) {}

void SharedState::setSelectedEmoji(const std::optional<Emoji>& emoji) {
    if (m_selectedEmoji == emoji)
        return;
    m_selectedEmoji = emoji;
    Q_EMIT selectedEmojiChanged();
}

void SharedState::setIsSearching(bool isSearching) {
    if (m_isSearching == isSearching)
        return;
    m_isSearching = isSearching;
    Q_EMIT isSearchingChanged();
}

void SharedState::setKeyword(const QString& keyword) {
    if (m_keyword == keyword)
        return;
    m_keyword = keyword;
    Q_EMIT keywordChanged();
}

void SharedState::setCurrentCategory(const QString& category) {
    if (m_currentCategory == category)
        return;
    m_currentCategory = category;
    Q_EMIT currentCategoryChanged();
}

#include "moc_SharedState.cpp"
