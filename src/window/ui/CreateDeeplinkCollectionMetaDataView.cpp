#include "window/ui/CreateDeeplinkCollectionMetaDataView.h"

#include "emoji/EmojiStore.h"
#include "emoji/ui/EmojiPickerViewModifier.h"
#include "store/ColorPalette.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "widgets/ToggleSwitch.h"
#include "window/ui/DeeplinkCollectionRowView.h"
#include "window/ui/EmojiWell.h"
#include "window/ui/EnvironmentsEditor.h"
#include "window/ui/GridColorPickerView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUuid>
#include <QVBoxLayout>

namespace {

QFrame* line(QFrame::Shape shape, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

CreateDeeplinkCollectionMetaDataView::CreateDeeplinkCollectionMetaDataView(
    ManagedObjectContext* context, Binding<bool> isPresented, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_isPresented(std::move(isPresented))
    , m_selectedColor(palette().color(QPalette::Highlight))
    , m_color(QColor(ColorPalette::colors().first())) {
    // The icon well's picker shows the whole catalogue; have it ready by then.
    EmojiPicker::preload();

    // Name.
    auto* nameLabel = new QLabel(tr("Name:"), this);
    m_nameField = new QLineEdit(this);
    m_nameField->setAccessibleName(tr("Name"));
    nameLabel->setBuddy(m_nameField);
    connect(m_nameField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_collectionName = text;
        updateAddButton();
    });
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_nameField, 1);

    // Colour and icon.
    auto* colorLabel = new QLabel(tr("Color:"), this);
    m_colorGrid = new GridColorPickerView(
        Binding<QColor>([this] { return m_color; }, [this](const QColor& c) { m_color = c; }),
        this);
    m_colorGrid->setObjectName(QStringLiteral("colorGrid"));
    auto* iconLabel = new QLabel(tr("Icon:"), this);
    m_emojiWell = new EmojiWell(this);
    m_emojiWell->setObjectName(QStringLiteral("emojiWell"));
    m_emojiWell->setSelectedColor(m_selectedColor);
    m_emojiPicker = new EmojiPickerViewModifier(
        m_emojiWell,
        Binding<bool>([this] { return m_isEmojiPickerFocussed; },
                      [this](bool shown) { m_isEmojiPickerFocussed = shown; }),
        Binding<std::optional<Emoji>>([this] { return m_emoji; },
                                      [this](const std::optional<Emoji>& emoji) {
                                          m_emoji = emoji;
                                          m_emojiWell->setEmoji(emoji ? emoji->string : QString());
                                      }),
        true);
    connect(m_emojiWell, &QAbstractButton::clicked, this, [this] {
        m_isEmojiPickerFocussed = !m_isEmojiPickerFocussed;
        m_emojiPicker->refresh();
    });
    auto* appearanceRow = new QHBoxLayout;
    appearanceRow->addWidget(colorLabel, 0, Qt::AlignTop);
    appearanceRow->addWidget(m_colorGrid, 0, Qt::AlignTop);
    appearanceRow->addStretch(1);
    appearanceRow->addWidget(line(QFrame::VLine, this));
    appearanceRow->addWidget(iconLabel, 0, Qt::AlignTop);
    appearanceRow->addWidget(m_emojiWell, 0, Qt::AlignTop);

    // Pin.
    m_pinSwitch = new ToggleSwitch(this);
    m_pinSwitch->setObjectName(QStringLiteral("pinSwitch"));
    m_pinSwitch->setAccessibleName(tr("Pin this collection"));
    connect(m_pinSwitch, &QAbstractButton::toggled, this,
            [this](bool checked) { m_isPinned = checked; });
    auto* pinTitle = new QLabel(tr("Pin this collection"), this);
    auto* pinCaption = new QLabel(tr("This will keep the collection on top"), this);
    QFont caption = pinCaption->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    pinCaption->setFont(caption);
    pinCaption->setForegroundRole(QPalette::PlaceholderText);
    auto* pinTexts = new QVBoxLayout;
    pinTexts->setSpacing(0);
    pinTexts->addWidget(pinTitle);
    pinTexts->addWidget(pinCaption);
    auto* pinRow = new QHBoxLayout;
    pinRow->addWidget(m_pinSwitch);
    pinRow->addSpacing(4);
    pinRow->addLayout(pinTexts, 1);

    m_environments = new EnvironmentsEditor(this);
    m_environments->setObjectName(QStringLiteral("environments"));
    connect(m_environments, &EnvironmentsEditor::problemChanged, this,
            &CreateDeeplinkCollectionMetaDataView::updateAddButton);

    // Buttons.
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancel"));
    m_addButton = new QPushButton(tr("Add"), this);
    m_addButton->setDefault(true);
    m_addButton->setEnabled(false);
    // Prominent while it can be pressed; the disabled look stays the platform's.
    QPalette prominent = m_addButton->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        prominent.setColor(group, QPalette::Button, palette().color(QPalette::Highlight));
        prominent.setColor(group, QPalette::ButtonText, palette().color(QPalette::HighlightedText));
    }
    m_addButton->setPalette(prominent);
    for (QPushButton* button : {m_cancelButton, m_addButton})
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_cancelButton, &QPushButton::clicked, this,
            &CreateDeeplinkCollectionMetaDataView::cancel);
    connect(m_addButton, &QPushButton::clicked, this, &CreateDeeplinkCollectionMetaDataView::add);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addWidget(m_addButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(appearanceRow);
    layout->addWidget(line(QFrame::HLine, this));
    layout->addLayout(pinRow);
    layout->addWidget(line(QFrame::HLine, this));
    layout->addWidget(m_environments, 1);
    layout->addLayout(buttonRow);
    setMinimumSize(488, 200);
}

void CreateDeeplinkCollectionMetaDataView::editCollection(DeeplinkCollection* collection) {
    m_editedCollection = collection;
    m_nameField->setText(collection->name());
    // In 8-bit components, as the palette's swatches are, so that its swatch shows as chosen.
    m_color = DeeplinkCollectionRowView::color(*collection).toRgb();
    m_color.setRgb(m_color.red(), m_color.green(), m_color.blue(), m_color.alpha());
    m_colorGrid->update();
    const QString emoji = collection->emoji();
    m_emoji.reset();
    if (!emoji.isEmpty()) {
        // One the catalogue no longer has is kept as it is, without a name.
        Emoji unknown;
        unknown.string = emoji;
        m_emoji = EmojiStore::shared().emojiForString(emoji).value_or(unknown);
    }
    m_emojiWell->setEmoji(emoji);
    m_pinSwitch->setChecked(collection->isPinned());
    m_environments->setEnvironments(collection->environments(), collection->activeEnvironment());
    m_addButton->setText(tr("Save"));
}

void CreateDeeplinkCollectionMetaDataView::add() {
    // Return in the name field reaches here too; an empty name never makes a collection.
    if (m_collectionName.isEmpty() || !m_environments->problem().isEmpty() || !m_context)
        return;
    DeeplinkCollection* collection = m_editedCollection;
    if (!collection) {
        collection = m_context->insertCollection();
        collection->setUid(QUuid::createUuid());
    }
    // From the 8-bit components: QColor's own float components are a few ulps off 235/255.
    const QColor rgb = m_color.toRgb();
    collection->setColor(rgb.red() / 255.0, rgb.green() / 255.0, rgb.blue() / 255.0,
                         rgb.alpha() / 255.0);
    collection->setName(m_collectionName);
    collection->setEmoji(m_emoji ? m_emoji->string : QString());
    collection->setIsPinned(m_isPinned);
    collection->setEnvironments(m_environments->environments());
    collection->setActiveEnvironment(m_environments->activeEnvironment());
    // A failed save leaves the collection pending in the context; the next save point
    // writes it.
    (void)m_context->save();
    Q_EMIT collectionAdded(collection);
    m_isPresented.set(false);
}

void CreateDeeplinkCollectionMetaDataView::updateAddButton() {
    m_addButton->setEnabled(!m_collectionName.isEmpty() && m_environments->problem().isEmpty());
}

void CreateDeeplinkCollectionMetaDataView::cancel() {
    m_isPresented.set(false);
}
