#pragma once

#include "store/DeeplinkUrlEditing.h"
#include "store/QueryItem.h"
#include "store/Variable.h"
#include "window/Focusable.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <array>

class Deeplink;
class ManagedObjectContext;
class QLabel;
class QLineEdit;
class QueryParameterTable;

// Widget of the deeplink editor (right column of the main window): the title, the whole URL,
// its components and a table of its query parameters (QueryParameterTable). Every edit goes
// straight into the stored deeplink; all fields are recomputed from the stored URL after each
// change, so an edit the URL cannot keep vanishes from its field once the user leaves it; only the
// URL field keeps text that is no URL, with the reason under it, until it is typed over. The store
// is saved once the editor has left the window (hidden or destroyed) and control is back in the
// event loop; a failed save leaves the changes pending. A URL with placeholders shows what it
// fires under the URL field, filled from the collection's active environment and the global
// variables (read again when the editor is shown and when its window becomes active).
class DeeplinkDetailView : public QWidget {
    Q_OBJECT
public:
    // The deeplink may be deleted while the editor shows it; the fields then empty and disable.
    explicit DeeplinkDetailView(Deeplink* deeplink, QWidget* parent = nullptr);
    ~DeeplinkDetailView() override;

    [[nodiscard]] Deeplink* deeplink() const { return m_deeplink.data(); }

    // The editor field that has (or gets, when the window activates) the keyboard focus.
    [[nodiscard]] Focusable focusedReminder() const;
    // Moves the keyboard focus to that field; none takes it off the editor's fields; a row that
    // is not shown does nothing.
    void setFocusedReminder(const Focusable& focus);

    // The parameter rows as shown.
    [[nodiscard]] const QList<QueryItem>& rows() const { return m_rows; }

    // Why the URL field's text is no URL (as Quick Open says it); empty while it is one. The
    // stored URL is then not the one shown.
    [[nodiscard]] QString urlProblem() const;
    // The line under the URL field: "Fires: <URL>", the missing variables or why the URL cannot
    // be filled in; empty while hidden (no placeholder, or text that is no URL).
    [[nodiscard]] QString preview() const;

public Q_SLOTS:
    // "plus": appends key<N>=value and puts the cursor into its name cell.
    void addRow();
    // "minus": removes the last row, whichever row has the focus.
    void removeLastRow();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text field of `focus`; null for none and for rows that are not shown.
    [[nodiscard]] QLineEdit* field(const Focusable& focus) const;
    [[nodiscard]] QLineEdit* makeField(Focusable::Kind which, const QString& objectName);
    void refresh();
    void setShownText(QLineEdit* edit, const QString& text);
    void readGlobals();
    void updatePreview();
    void elidePreview();

    [[nodiscard]] bool isEditable() const;
    [[nodiscard]] bool componentsAreEditable() const;
    [[nodiscard]] QString storedUrl() const;
    void store(const QString& url);

    void titleEdited(const QString& text);
    void fieldEdited(QLineEdit* edit, DeeplinkUrlEditing::Field field, const QString& text);
    void urlEdited(const QString& text);
    // `draft` null: the URL field shows the stored URL again.
    void setUrlDraft(const QString& draft, const QString& problem);
    void rowEdited(QLineEdit* edit, const Focusable& row, const QString& text);
    void editingFinished(QLineEdit* edit);
    // Applies an edit that waits for the user to leave the cell (a cleared row name).
    void commitPendingEdit();
    void save();

    QPointer<Deeplink> m_deeplink;
    QPointer<ManagedObjectContext> m_context;

    // Indexed by Focusable::Kind; the two row cases stay null.
    std::array<QLineEdit*, 11> m_fields{};
    QList<QueryItem> m_rows;
    QWidget* m_form = nullptr;
    QLabel* m_urlProblem = nullptr;
    QLabel* m_preview = nullptr;
    QString m_previewText;
    QList<Variable> m_globals;
    // The URL field's text while it is no URL (null otherwise): shown in place of the stored one.
    QString m_urlDraft;
    QueryParameterTable* m_parameters = nullptr;

    // The field the user is typing into: refreshes leave its text alone until editing ends,
    // so intermediate text (a port "80a", a half-typed URL) is not yanked from under the cursor.
    QLineEdit* m_typing = nullptr;

    QMetaObject::Connection m_focusConnection;
    QMetaObject::Connection m_storeConnection;
};
