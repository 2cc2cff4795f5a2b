#pragma once

#include <QLineEdit>

// A line edit that shows each placeholder ("{{name}}", see Placeholder) of its text on a
// tinted background. The tint goes in as an input method's text formats, so editing, undo, the
// signals and the accessible text stay the line edit's own; while an input method composes
// text, its formats show instead.
class PlaceholderLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit PlaceholderLineEdit(QWidget* parent = nullptr);

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void highlight();

    // An input method's event is being handled: its formats are not to be replaced under it.
    bool m_composing = false;
};
