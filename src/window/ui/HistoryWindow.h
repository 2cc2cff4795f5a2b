#pragma once

#include "execution/OpenUrlAction.h"

#include <QWidget>

#include <functional>

class FiringHistory;
class HistoryModel;
class QPushButton;
class QTableView;

// Top-level QWidget listing the last firings (HistoryModel), newest first. Activating a row
// with a screenshot opens the picture in the desktop's viewer; "Fire Again" fires the row's URL
// at the destination selected now, through the window's open-URL action.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Opens a file in the desktop's viewer (tests record it instead).
    using OpenFile = std::function<void(const QString& path)>;

    HistoryWindow(FiringHistory* history, OpenUrlAction openUrl, QWidget* parent = nullptr);

    void setOpenFile(OpenFile openFile) { m_openFile = std::move(openFile); }

    [[nodiscard]] HistoryModel* model() const { return m_model; }
    [[nodiscard]] QTableView* table() const { return m_table; }
    [[nodiscard]] QPushButton* fireAgainButton() const { return m_fireAgain; }

    // Opens the screenshot of `row`, when it has one.
    void openScreenshot(int row);
    // Fires the URL of the selected row again.
    void fireAgain();

private:
    [[nodiscard]] int selectedRow() const;
    void updateButtons();

    HistoryModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_fireAgain = nullptr;
    OpenUrlAction m_openUrl;
    OpenFile m_openFile;
};
