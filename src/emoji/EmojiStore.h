#pragma once

#include "emoji/Emoji.h"
#include "platform/UserDefaultWrapper.h"

#include <QHash>
#include <QList>
#include <QString>

// The emoji catalogue: every record of the bundled emoji.json in file order, grouped by the
// nine catalogue categories, with a plain keyword search. Also home of the recently chosen
// emojis, kept in the application-group settings under "recent_emojis".
class EmojiStore {
public:
    // Loads the catalogue from `resourcePath`. A missing file gives an empty catalogue without
    // category keys; an unreadable or undecodable one an empty catalogue whose nine category
    // keys hold empty lists.
    explicit EmojiStore(const QString& resourcePath);

    // The application's catalogue (":/emoji.json"), loaded on first use and kept.
    [[nodiscard]] static EmojiStore& shared();
    // The catalogue never changes once built, so shared() may be called and read from any
    // thread (the picker has it decoded on a worker ahead of time).

    [[nodiscard]] const QList<Emoji>& allEmojis() const { return m_allEmojis; }
    // Category name -> its emojis in file order. Records whose category matches no name
    // exactly (case included) are in no list.
    [[nodiscard]] const QHash<QString, QList<Emoji>>& emojisByCategory() const {
        return m_emojisByCategory;
    }

    // The emojis whose description, one of whose tags or one of whose aliases contains the
    // lower-cased keyword (fields compared as stored), in catalogue order.
    [[nodiscard]] QList<Emoji> search(const QString& keyword) const;

    // The first record whose emoji is `string`, if any.
    [[nodiscard]] std::optional<Emoji> emojiForString(const QString& string) const;

    // Recently chosen emojis, most recent first.
    [[nodiscard]] static UserDefaultWrapper<QStringList> recentEmojisWrapper();
    [[nodiscard]] static QStringList recentEmojis();
    // Puts `string` first in the recents, dropping an earlier copy and keeping at most 20
    // older entries.
    static void recordRecentEmoji(const QString& string);
    static constexpr qsizetype keptOlderRecents = 20;

private:
    QList<Emoji> m_allEmojis;
    QHash<QString, QList<Emoji>> m_emojisByCategory;
    QHash<QString, qsizetype> m_indexByString;
};
