#pragma once

#include "widgets/Binding.h"
#include "window/SearchRootScope.h"

#include <QList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;
class SearchField;

// The window toolbar's search: a search field with, under it, the row of search scopes,
// both bound two-way. The row reads "Collection", "Deeplinks" while collections are searched
// and "Collection", "Title", "Url" while deeplinks are.
class RootSearchField : public QWidget {
    Q_OBJECT
public:
    RootSearchField(Binding<QString> text, Binding<SearchRootScope> scope,
                    QWidget* parent = nullptr);

    // Takes over values written to the bindings from elsewhere.
    void refresh();

    // Moves the keyboard focus into the field with its text selected.
    void activate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildScopeRow();
    void addScopeButton(const QString& label, const QString& symbol, SearchRootScope value);

    Binding<QString> m_text;
    Binding<SearchRootScope> m_scope;
    // The scope the row was built for.
    SearchRootScope m_shownScope;
    SearchField* m_field = nullptr;
    QHBoxLayout* m_scopeRow = nullptr;
    QButtonGroup* m_group = nullptr;
    QList<QToolButton*> m_buttons;
};
