#pragma once

#include "app/OpenUrlAction.h"

#include <QWidget>

class ManagedObjectContext;

// The main content: the three-column window. (Placeholder until the window lands.)
class RootView : public QWidget {
    Q_OBJECT
public:
    RootView(ManagedObjectContext* context, OpenUrlAction openUrl, QWidget* parent = nullptr);

    // Shows or hides the collection sidebar.
    void toggleSidebar();

private:
    ManagedObjectContext* m_context = nullptr;
    OpenUrlAction m_openUrl;
};
