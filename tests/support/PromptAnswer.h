#pragma once

#include "window/ui/VariablePrompt.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

// What the next variable prompt showed while the test answered it as a user would.
struct PromptAnswer {
    bool shown = false;
    QStringList asked;   // the variables, in the order of the fields
    QStringList offered; // what the fields held when it came up
    bool firstFocused = false;
    QStringList problems; // what it said after each Fire that left it open
};

// Answers the next variable prompt once its event loop runs: for each of `attempts` types the
// values into the fields and presses Return (Fire); with no attempt left, Escape.
inline std::shared_ptr<PromptAnswer> answerPrompt(const QList<QStringList>& attempts = {}) {
    auto answer = std::make_shared<PromptAnswer>();
    QTimer::singleShot(0, [answer, attempts] {
        auto* prompt = qobject_cast<VariablePrompt*>(QApplication::activeModalWidget());
        if (!prompt)
            return;
        answer->shown = true;
        const QList<QLineEdit*> fields = prompt->findChildren<QLineEdit*>();
        for (const QLineEdit* field : fields) {
            answer->asked.append(field->accessibleName());
            answer->offered.append(field->text());
        }
        answer->firstFocused = !fields.isEmpty() && prompt->focusWidget() == fields.first();
        QWidget* keys = fields.isEmpty() ? static_cast<QWidget*>(prompt) : fields.first();
        for (const QStringList& values : attempts) {
            for (qsizetype i = 0; i < values.size() && i < fields.size(); ++i) {
                fields.at(i)->clear();
                QTest::keyClicks(fields.at(i), values.at(i));
            }
            QTest::keyClick(keys, Qt::Key_Return);
            if (!prompt->isVisible())
                return;
            answer->problems.append(prompt->findChild<QLabel*>("promptProblem")->text());
        }
        QTest::keyClick(keys, Qt::Key_Escape);
    });
    return answer;
}
