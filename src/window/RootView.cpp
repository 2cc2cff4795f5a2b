#include "window/RootView.h"

#include <QLabel>
#include <QVBoxLayout>

RootView::RootView(ManagedObjectContext* context, OpenUrlAction openUrl, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_openUrl(std::move(openUrl))
{
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Select a deeplink collection"), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

void RootView::toggleSidebar() {}
