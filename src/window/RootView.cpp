#include "window/RootView.h"

#include "window/ColumSplitView.h"
#include "window/RootSearchField.h"

#include <QAction>
#include <QVBoxLayout>

RootView::RootView(ManagedObjectContext* context, OpenUrlAction openUrl, QWidget* parent)
    : QWidget(parent) {
    setMinimumWidth(minimumContentWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitView = new ColumSplitView(context, std::move(openUrl), this);
    layout->addWidget(m_splitView);

    auto* find = new QAction(tr("Search"), this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] {
        if (RootSearchField* field = searchField())
            field->activate();
    });
    addAction(find);
}

RootSearchField* RootView::searchField() const {
    return m_splitView->searchField();
}

void RootView::toggleSidebar() {
    m_splitView->toggleSidebar();
}
