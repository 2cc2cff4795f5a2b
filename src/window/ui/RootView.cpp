#include "window/ui/RootView.h"

#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/FiringStatusLine.h"
#include "window/ui/QuickOpenBar.h"
#include "window/ui/RootSearchField.h"

#include <QVBoxLayout>

RootView::RootView(ManagedObjectContext* context, OpenUrlAction openUrl, QWidget* parent)
    : QWidget(parent) {
    setMinimumWidth(minimumContentWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_splitView = new ColumSplitView(context, openUrl, this);
    m_quickOpen = new QuickOpenBar(m_splitView->state(), std::move(openUrl), this);
    connect(m_quickOpen, &QuickOpenBar::addToCollectionRequested, this, [this](const QString& url) {
        if (DeeplinkCollectionDetailView* detail = m_splitView->detailView())
            detail->addDeeplinkWithUrl(url);
    });
    layout->addWidget(m_quickOpen);
    layout->addWidget(m_splitView, 1);
    m_statusLine = new FiringStatusLine(this);
    layout->addWidget(m_statusLine);
}

RootSearchField* RootView::searchField() const {
    return m_splitView->searchField();
}

void RootView::toggleSidebar() {
    m_splitView->toggleSidebar();
}
