#pragma once

#include "emoji/EmojiGridModel.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// One section of the emoji grid over any item type: `contentKeyPath` gives an item's emoji
// text, `completionHandler` receives the tapped item.
template <typename T> struct EmojiSection {
    std::optional<QString> title;
    QList<T> items;
    std::function<QString(const T&)> contentKeyPath;
    std::function<void(const T&)> completionHandler;
    int columnCount = 6;

    // The section as the grid model shows it, named `id`. An absent title shows as empty.
    [[nodiscard]] EmojiGridModel::Section gridSection(const QString& id) const {
        QStringList texts;
        texts.reserve(items.size());
        for (const T& item : items)
            texts.append(contentKeyPath(item));
        return {id, title.value_or(QString()), texts,
                [items = items, handler = completionHandler](int index) {
                    if (handler && index >= 0 && index < items.size())
                        handler(items.at(index));
                }};
    }
};
