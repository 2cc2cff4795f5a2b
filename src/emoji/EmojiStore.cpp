#include "emoji/EmojiStore.h"

#include "emoji/SectionType.h"
#include "platform/AppSettings.h"

#include <QFile>

namespace {

bool matches(const Emoji& emoji, const QString& keyword) {
    if (emoji.description && emoji.description->contains(keyword))
        return true;
    for (const QString& tag : emoji.tags) {
        if (tag.contains(keyword))
            return true;
    }
    if (emoji.aliases) {
        for (const QString& alias : *emoji.aliases) {
            if (alias.contains(keyword))
                return true;
        }
    }
    return false;
}

} // namespace

EmojiStore::EmojiStore(const QString& resourcePath) {
    QFile file(resourcePath);
    if (!file.exists())
        return;
    if (file.open(QIODevice::ReadOnly)) {
        if (auto decoded = Emoji::listFromJson(file.readAll()))
            m_allEmojis = std::move(*decoded);
    }

    for (const QString& category : SectionTypes::catalogueCategories())
        m_emojisByCategory.insert(category, {});
    m_indexByString.reserve(m_allEmojis.size());
    for (qsizetype index = 0; index < m_allEmojis.size(); ++index) {
        const Emoji& emoji = m_allEmojis.at(index);
        if (!m_indexByString.contains(emoji.string))
            m_indexByString.insert(emoji.string, index);
        if (!emoji.category)
            continue;
        auto list = m_emojisByCategory.find(*emoji.category);
        if (list != m_emojisByCategory.end())
            list->append(emoji);
    }
}

EmojiStore& EmojiStore::shared() {
    static EmojiStore store(QStringLiteral(":/emoji.json"));
    return store;
}

QList<Emoji> EmojiStore::search(const QString& keyword) const {
    const QString lowered = keyword.toLower();
    QList<Emoji> results;
    for (const Emoji& emoji : m_allEmojis) {
        if (matches(emoji, lowered))
            results.append(emoji);
    }
    return results;
}

std::optional<Emoji> EmojiStore::emojiForString(const QString& string) const {
    const auto found = m_indexByString.constFind(string);
    if (found == m_indexByString.cend())
        return std::nullopt;
    return m_allEmojis.at(*found);
}

UserDefaultWrapper<QStringList> EmojiStore::recentEmojisWrapper() {
    // A fresh handle on the group settings each time: QSettings shares one cache per file, so
    // this is cheap, and it always follows the current settings location.
    return UserDefaultWrapper<QStringList>(
        QStringLiteral("recent_emojis"), QStringList(),
        std::shared_ptr<QSettings>(AppSettings::applicationGroup()));
}

QStringList EmojiStore::recentEmojis() {
    return recentEmojisWrapper().value();
}

void EmojiStore::recordRecentEmoji(const QString& string) {
    const auto wrapper = recentEmojisWrapper();
    QStringList recents = wrapper.value();
    recents.removeAll(string);
    if (recents.size() > keptOlderRecents)
        recents.resize(keptOlderRecents);
    recents.prepend(string);
    wrapper.setValue(recents);
}
