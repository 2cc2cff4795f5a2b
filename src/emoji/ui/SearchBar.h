#pragma once

#include <QWidget>

class SearchField;
class SharedState;

// QWidget of the emoji picker's search bar: a magnifier and a plain "Search emojis" field bound to
// the picker's keyword.
class SearchBar : public QWidget {
    Q_OBJECT
public:
    explicit SearchBar(SharedState* sharedState, QWidget* parent = nullptr);

    [[nodiscard]] SearchField* field() const { return m_field; }

private:
    SearchField* m_field = nullptr;
};
