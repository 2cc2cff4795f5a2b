#include "emoji/ui/EmojiPicker.h"

#include "emoji/EmojiFont.h"
#include "emoji/EmojiGridModel.h"
#include "emoji/EmojiSection.h"
#include "emoji/EmojiStore.h"
#include "emoji/SectionType.h"
#include "emoji/SharedState.h"
#include "emoji/ui/EmojiGridDelegate.h"
#include "emoji/ui/EmojiGridView.h"
#include "emoji/ui/SearchBar.h"
#include "emoji/ui/SectionIndexPicker.h"

#include <QApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {
constexpr int columnCount = 6;
// Emoji cells in a freshly opened picker, with some to spare.
constexpr qsizetype firstScreenCount = 90;
// Emoji drawn per background slice: about 50 ms of a worker, so an application quitting
// waits for little.
constexpr qsizetype sliceSize = 80;
bool catalogueDrawn = false;

QHash<QString, QImage> drawGlyphs(const QStringList& texts, qreal ratio) {
    QHash<QString, QImage> images;
    for (const QString& text : texts) {
        images.insert(EmojiFont::cacheKey(text, EmojiGridDelegate::glyphSize, ratio),
                      EmojiFont::render(text, EmojiGridDelegate::glyphSize, ratio));
    }
    return images;
}

// Draws the catalogue from `from` on, one slice per worker task; the next slice starts only
// once the previous one is in the cache (continuations run on the GUI thread and stop with
// the application).
void drawCatalogueFrom(qsizetype from, qreal ratio) {
    const QList<Emoji>& all = EmojiStore::shared().allEmojis();
    QStringList texts;
    qsizetype next = from;
    for (; next < all.size() && texts.size() < sliceSize; ++next) {
        const QString& text = all.at(next).string;
        if (!EmojiFont::isCached(EmojiFont::cacheKey(text, EmojiGridDelegate::glyphSize, ratio)))
            texts.append(text);
    }
    if (texts.isEmpty()) {
        catalogueDrawn = true;
        return;
    }
    QtConcurrent::run([texts, ratio] {
        return drawGlyphs(texts, ratio);
    }).then(qApp, [next, ratio](const QHash<QString, QImage>& images) {
        EmojiFont::insert(images);
        drawCatalogueFrom(next, ratio);
    });
}
} // namespace

EmojiPicker::EmojiPicker(SharedState* sharedState, const EmojiStore& emojiStore,
                         std::function<void(const Emoji&)> selectionHandler, bool isSearchBar,
                         QWidget* parent)
    : QWidget(parent)
    , m_sharedState(sharedState)
    , m_emojiStore(emojiStore)
    , m_selectionHandler(std::move(selectionHandler)) {
    m_sharedState->setParent(this);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    // The category list: "Recent" (when any), then the nine categories.
    const QStringList recents = EmojiStore::recentEmojis();
    const QString recent = SectionTypes::rawValue(SectionType::Recent);
    QList<EmojiGridModel::Section> sections;
    QStringList sectionNames;
    if (!recents.isEmpty()) {
        EmojiSection<QString> section{recent, recents, [](const QString& text) { return text; },
                                      [this](const QString& text) { chooseRecent(text); },
                                      columnCount};
        sections.append(section.gridSection(recent));
        sectionNames.append(recent);
    }
    for (const QString& category : SectionTypes::catalogueCategories()) {
        EmojiSection<Emoji> section{category, m_emojiStore.emojisByCategory().value(category),
                                    [](const Emoji& emoji) { return emoji.string; },
                                    [this](const Emoji& emoji) { choose(emoji); }, columnCount};
        sections.append(section.gridSection(category));
        sectionNames.append(category);
    }
    for (const QString& name : std::as_const(sectionNames))
        m_observers.append(
            OffsetObserver(name, m_sharedState, [this] { m_categoryUpdatedByOffset = true; }));

    // An emoji reads its name from the catalogue's annotation.
    const auto emojiName = [this](const QString& text) {
        const std::optional<Emoji> emoji = m_emojiStore.emojiForString(text);
        return emoji ? emoji->description.value_or(QString()) : QString();
    };
    m_categoryModel = new EmojiGridModel(columnCount, this);
    m_categoryModel->setAccessibleName(emojiName);
    m_categoryModel->setSections(std::move(sections));
    m_categoryList = new EmojiGridView(m_categoryModel, this);
    m_categoryList->setObjectName(QStringLiteral("categoryList"));
    connect(m_categoryList, &EmojiGridView::sectionFramesChanged, this,
            &EmojiPicker::observeFrames);

    // The search layer: results, or a line saying there are none.
    m_resultModel = new EmojiGridModel(columnCount, this);
    m_resultModel->setAccessibleName(emojiName);
    m_searchResults = new EmojiGridView(m_resultModel, this);
    m_searchResults->setObjectName(QStringLiteral("searchResults"));
    m_noResultPage = new QWidget(this);
    m_noResultPage->setAutoFillBackground(true);
    m_noResultPage->setBackgroundRole(QPalette::Window);
    m_noResultLabel = new QLabel(m_noResultPage);
    m_noResultLabel->setObjectName(QStringLiteral("noResultLabel"));
    m_noResultLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_noResultLabel->setWordWrap(true);
    m_noResultLabel->setForegroundRole(QPalette::PlaceholderText);
    auto* noResultLayout = new QVBoxLayout(m_noResultPage);
    noResultLayout->setContentsMargins(8, 32, 8, 0);
    noResultLayout->addWidget(m_noResultLabel);
    noResultLayout->addStretch();

    // Pages rather than hiding the list, so it keeps its scroll position under the results.
    m_layers = new QStackedWidget(this);
    m_layers->addWidget(m_categoryList);
    m_layers->addWidget(m_searchResults);
    m_layers->addWidget(m_noResultPage);

    m_indexPicker = new SectionIndexPicker(
        m_sharedState, sectionNames, [this] { m_categoryUpdatedByOffset = false; }, this);
    m_indexPicker->setObjectName(QStringLiteral("sectionIndex"));
    // A click on the segment that is already current changes no category; it still brings
    // that section's start into view.
    connect(m_indexPicker->control(), &SegmentedControlBase::segmentClicked, this, [this] {
        if (!isShowingSearch())
            m_categoryList->scrollToSection(m_sharedState->currentCategory());
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (isSearchBar) {
        m_searchBar = new SearchBar(m_sharedState, this);
        m_searchBar->setObjectName(QStringLiteral("emojiSearchBar"));
        layout->addWidget(m_searchBar);
    }
    layout->addWidget(m_layers, 1);
    layout->addWidget(m_indexPicker);

    connect(m_sharedState, &SharedState::keywordChanged, this, &EmojiPicker::updateSearch);
    // Queued, like a view reacting after the update: the category bar's handler has cleared
    // the scrolled-by-offset flag by the time this runs.
    connect(m_sharedState, &SharedState::currentCategoryChanged, this,
            &EmojiPicker::currentCategoryChanged, Qt::QueuedConnection);
    updateSearch();
}

QFuture<void> EmojiPicker::preload() {
    static std::optional<QFuture<void>> preparation;
    if (preparation)
        return *preparation;
    // What the first screen shows: the recents, then the start of the first category.
    const QStringList recents = EmojiStore::recentEmojis();
    const qreal ratio = qApp->devicePixelRatio();
    auto future = QtConcurrent::run([recents, ratio] {
        const EmojiStore& store = EmojiStore::shared();
        QStringList texts = recents;
        const QList<Emoji> first =
            store.emojisByCategory().value(SectionTypes::rawValue(SectionType::Smileys));
        for (qsizetype index = 0; index < first.size() && texts.size() < firstScreenCount; ++index)
            texts.append(first.at(index).string);
        return drawGlyphs(texts, ratio);
    });
    preparation = future.then(qApp, [ratio](const QHash<QString, QImage>& images) {
        EmojiFont::insert(images);
        drawCatalogueFrom(0, ratio);
    });
    return *preparation;
}

bool EmojiPicker::hasDrawnCatalogue() {
    return catalogueDrawn;
}

bool EmojiPicker::isShowingSearch() const {
    return m_layers->currentWidget() != m_categoryList;
}

void EmojiPicker::choose(const Emoji& emoji) {
    EmojiStore::recordRecentEmoji(emoji.string);
    m_sharedState->setSelectedEmoji(emoji);
    if (m_selectionHandler)
        m_selectionHandler(emoji);
}

void EmojiPicker::chooseRecent(const QString& text) {
    // A stored recent that is no longer in the catalogue is shown but cannot be chosen.
    if (const auto emoji = m_emojiStore.emojiForString(text))
        choose(*emoji);
}

void EmojiPicker::updateSearch() {
    const QString keyword = m_sharedState->keyword();
    if (keyword.isEmpty()) {
        m_layers->setCurrentWidget(m_categoryList);
        return;
    }
    const QList<Emoji> results = m_emojiStore.search(keyword);
    if (results.isEmpty()) {
        m_noResultLabel->setText(tr("No emoji found for \"%1\"").arg(keyword));
        m_layers->setCurrentWidget(m_noResultPage);
        return;
    }
    EmojiSection<Emoji> section{tr("Search Results"), results,
                                [](const Emoji& emoji) { return emoji.string; },
                                [this](const Emoji& emoji) { choose(emoji); }, columnCount};
    m_resultModel->setSections({section.gridSection(QStringLiteral("Search Results"))});
    m_searchResults->scrollToTop();
    m_layers->setCurrentWidget(m_searchResults);
}

void EmojiPicker::currentCategoryChanged() {
    if (!m_categoryUpdatedByOffset)
        m_categoryList->scrollToSection(m_sharedState->currentCategory());
}

void EmojiPicker::observeFrames() {
    const QList<OffsetViewFrame> frames = m_categoryList->sectionFrames();
    for (const OffsetObserver& observer : std::as_const(m_observers))
        observer.framesChanged(frames);
}
