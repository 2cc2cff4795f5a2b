#pragma once

#include "emoji/Emoji.h"
#include "widgets/Binding.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <optional>

class DeeplinkCollection;
class EmojiPickerViewModifier;
class EmojiWell;
class EnvironmentsEditor;
class GridColorPickerView;
class ManagedObjectContext;
class QLineEdit;
class QPushButton;
class ToggleSwitch;

// QWidget of the "Create" tab of the collection editor: name, colour, emoji icon, pin and
// environments of a new empty collection (or of one being edited). "Add" inserts it into the
// context ("Save" writes the edited one) and saves; "Cancel" stores nothing. Both close the sheet
// through `isPresented`.
class CreateDeeplinkCollectionMetaDataView : public QWidget {
    Q_OBJECT
public:
    CreateDeeplinkCollectionMetaDataView(ManagedObjectContext* context, Binding<bool> isPresented,
                                         QWidget* parent = nullptr);

    // Edits `collection` instead of making a new one: the fields start from it and "Save"
    // writes them back into it.
    void editCollection(DeeplinkCollection* collection);

    [[nodiscard]] QString collectionName() const { return m_collectionName; }
    [[nodiscard]] QColor color() const { return m_color; }
    [[nodiscard]] bool isPinned() const { return m_isPinned; }
    [[nodiscard]] const std::optional<Emoji>& emoji() const { return m_emoji; }
    [[nodiscard]] bool isEmojiPickerFocussed() const { return m_isEmojiPickerFocussed; }

    [[nodiscard]] QLineEdit* nameField() const { return m_nameField; }
    [[nodiscard]] QPushButton* addButton() const { return m_addButton; }
    [[nodiscard]] EnvironmentsEditor* environmentsEditor() const { return m_environments; }

Q_SIGNALS:
    // "Add" created and saved (or tried to save) this collection.
    void collectionAdded(DeeplinkCollection* collection);

private:
    void add();
    void cancel();
    // "Add" needs a name and environments that can be saved.
    void updateAddButton();

    QPointer<ManagedObjectContext> m_context;
    Binding<bool> m_isPresented;
    QPointer<DeeplinkCollection> m_editedCollection;

    QString m_collectionName;
    QColor m_selectedColor;
    bool m_isPinned = false;
    bool m_isEmojiPickerFocussed = false;
    std::optional<Emoji> m_emoji;
    QColor m_color;

    QLineEdit* m_nameField = nullptr;
    GridColorPickerView* m_colorGrid = nullptr;
    EmojiWell* m_emojiWell = nullptr;
    EmojiPickerViewModifier* m_emojiPicker = nullptr;
    ToggleSwitch* m_pinSwitch = nullptr;
    EnvironmentsEditor* m_environments = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_addButton = nullptr;
};
