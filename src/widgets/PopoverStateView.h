#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QLabel;

// QWidget, the fixed-size placeholder content of a picker pop-up: an activity indicator or a
// symbol, a headline, an optional explanation and an optional bordered button, centred in a column.
class PopoverStateView : public QWidget {
    Q_OBJECT
public:
    // "Loading ..." state: a spinner above a caption.
    static PopoverStateView* loading(const QString& text, QSize size);

    // Message state: a large symbol (tinted `symbolColor`; invalid = secondary), a headline, an
    // optional caption and an optional button whose clicks arrive as `buttonClicked`.
    static PopoverStateView* message(const QString& symbol, const QColor& symbolColor,
                                     const QString& headline, const QString& caption,
                                     const QString& buttonText, QSize size);

    [[nodiscard]] QString headline() const;
    [[nodiscard]] QString caption() const;
    [[nodiscard]] const QString& symbol() const { return m_symbol; }

Q_SIGNALS:
    void buttonClicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    explicit PopoverStateView(QSize size);
    void renderSymbol();

    QLabel* m_symbolLabel = nullptr;
    QLabel* m_headline = nullptr;
    QLabel* m_caption = nullptr;
    QString m_symbol;
    QColor m_symbolColor;
};
