#pragma once

#include "platform/FiringOutcome.h"

#include <QLabel>

// QLabel along the bottom edge of the window's content that says what the last Execute did
// ("Opened in Shop (com.example.shop/.ProductActivity), cold start, 512 ms"), with its mark.
// Hidden until the first firing. It takes no focus; a screen reader hears each new line as an
// alert's name change, as from a live region.
class FiringStatusLine : public QWidget {
    Q_OBJECT
public:
    explicit FiringStatusLine(QWidget* parent = nullptr);

    // Shows what firing `url` did; the notes follow the summary.
    void showOutcome(const QString& url, const FiringOutcome& outcome);
    [[nodiscard]] QString text() const { return m_text->text(); }

    // The line as read: the summary, then each note.
    [[nodiscard]] static QString describe(const QString& url, const FiringOutcome& outcome);

private:
    QLabel* m_mark = nullptr;
    QLabel* m_text = nullptr;
};
