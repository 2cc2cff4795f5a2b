#pragma once

#include "widgets/TextStyle.h"

#include <QWidget>

class QLabel;
class QPushButton;

// QWidget that shows a centred message standing in for empty content: an optional symbol above a
// text, with an optional button under it, spaced 24 points apart, in the secondary colour.
class PlaceholderView : public QWidget {
    Q_OBJECT
public:
    // `symbolName` empty: text only.
    PlaceholderView(const QString& symbolName, const QString& text, QWidget* parent = nullptr);

    [[nodiscard]] QString text() const;
    void setText(const QString& text);

    // Adds the button under the text (once); its clicks are the caller's to connect.
    QPushButton* addButton(const QString& symbolName, const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyColors();
    void drawSymbol();

    QString m_symbolName;
    QLabel* m_symbol = nullptr;
    QLabel* m_text = nullptr;
    QPushButton* m_button = nullptr;
    bool m_symbolStale = false;
};
