#pragma once

#include "updates/UpdateCheckResult.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTextBrowser;

// QDialog, the one that tells the outcome of an update check: up to date; a newer version with its
// release notes and a button that opens the download in the browser; or why the check failed.
// Deletes itself when closed.
class UpdateAlert : public QDialog {
    Q_OBJECT
public:
    explicit UpdateAlert(UpdateCheckResult result, QWidget* parent = nullptr);

    [[nodiscard]] const UpdateCheckResult& result() const { return m_result; }
    [[nodiscard]] QString heading() const;
    [[nodiscard]] QString text() const;

private:
    void download();

    UpdateCheckResult m_result;
    QLabel* m_heading = nullptr;
    QLabel* m_text = nullptr;
    QPushButton* m_downloadButton = nullptr;
    QTextBrowser* m_releaseNotes = nullptr;
    QCheckBox* m_automaticChecks = nullptr;
};
