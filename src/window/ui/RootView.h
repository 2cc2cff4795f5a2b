#pragma once

#include "execution/OpenUrlAction.h"

#include <QWidget>

class ColumSplitView;
class FiringStatusLine;
class ManagedObjectContext;
class QuickOpenBar;
class RootSearchField;

// QWidget, the main content of the window (the QMainWindow's central widget): the three columns, at
// least 1020 points wide, under the quick open bar (hidden until opened) and over the line that
// says what the last firing did. The search field that drives them goes into the window toolbar
// (searchField()).
class RootView : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumContentWidth = 1020;
    static constexpr int idealContentWidth = 1480;

    RootView(ManagedObjectContext* context, OpenUrlAction openUrl, QWidget* parent = nullptr);

    [[nodiscard]] ColumSplitView* splitView() const { return m_splitView; }
    [[nodiscard]] RootSearchField* searchField() const;
    [[nodiscard]] QuickOpenBar* quickOpen() const { return m_quickOpen; }
    [[nodiscard]] FiringStatusLine* statusLine() const { return m_statusLine; }

    // Shows or hides the collection sidebar.
    void toggleSidebar();

private:
    ColumSplitView* m_splitView = nullptr;
    QuickOpenBar* m_quickOpen = nullptr;
    FiringStatusLine* m_statusLine = nullptr;
};
