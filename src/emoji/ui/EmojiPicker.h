#pragma once

#include "emoji/Emoji.h"
#include "emoji/OffsetObserver.h"

#include <QFuture>
#include <QStringList>
#include <QWidget>

#include <functional>

class EmojiGridModel;
class EmojiGridView;
class EmojiStore;
class QLabel;
class QStackedWidget;
class SearchBar;
class SectionIndexPicker;
class SharedState;

// The emoji picker: a search bar, the whole catalogue as one scrolling grid of category
// sections ("Recent" first when there are recent emojis), search results over it while a
// keyword is typed, and a category bar that jumps to a section and follows the scrolling.
// Choosing an emoji records it among the recents and hands it to `selectionHandler`.
class EmojiPicker : public QWidget {
    Q_OBJECT
public:
    // Decodes the shared catalogue and draws the emoji of the picker's first screen on a worker
    // thread, so that a picker opened afterwards shows at once. Only the first call does
    // anything; every call returns the one preparation (finished once the images are in the
    // cache, which happens on the GUI thread).
    // Once that is done, the rest of the catalogue is drawn too, a slice at a time, so that
    // scrolling and search results find their glyphs ready.
    static QFuture<void> preload();
    // Whether the whole catalogue has been drawn into the cache (benchmarks).
    [[nodiscard]] static bool hasDrawnCatalogue();

    // Takes ownership of `sharedState`.
    EmojiPicker(SharedState* sharedState, const EmojiStore& emojiStore,
                std::function<void(const Emoji&)> selectionHandler, bool isSearchBar,
                QWidget* parent = nullptr);

    [[nodiscard]] SharedState* sharedState() const { return m_sharedState; }
    [[nodiscard]] bool categoryUpdatedByOffset() const { return m_categoryUpdatedByOffset; }
    [[nodiscard]] SearchBar* searchBar() const { return m_searchBar; }
    // Whether the search layer (results or the no-result line) covers the list.
    [[nodiscard]] bool isShowingSearch() const;

private:
    void choose(const Emoji& emoji);
    void chooseRecent(const QString& text);
    void updateSearch();
    void currentCategoryChanged();
    void observeFrames();

    SharedState* m_sharedState;
    const EmojiStore& m_emojiStore;
    std::function<void(const Emoji&)> m_selectionHandler;
    bool m_categoryUpdatedByOffset = false;

    SearchBar* m_searchBar = nullptr;
    QStackedWidget* m_layers = nullptr;
    EmojiGridModel* m_categoryModel = nullptr;
    EmojiGridView* m_categoryList = nullptr;
    EmojiGridModel* m_resultModel = nullptr;
    EmojiGridView* m_searchResults = nullptr;
    QWidget* m_noResultPage = nullptr;
    QLabel* m_noResultLabel = nullptr;
    SectionIndexPicker* m_indexPicker = nullptr;
    QList<OffsetObserver> m_observers;
};
