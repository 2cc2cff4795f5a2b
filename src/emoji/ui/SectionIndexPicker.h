#pragma once

#include "widgets/SegmentedControl.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class SharedState;

// QWidget of the emoji picker's category bar: one symbol segment per section, bound to the picker's
// current category.
class SectionIndexPicker : public QWidget {
    Q_OBJECT
public:
    SectionIndexPicker(SharedState* sharedState, QStringList sections,
                       std::function<void()> selectionHandler, QWidget* parent = nullptr);

    // The symbol of a section name ("clock" for "Recent", ...; "questionmark" for others).
    [[nodiscard]] static QString symbolName(const QString& section);

    [[nodiscard]] const QStringList& sections() const { return m_sections; }
    [[nodiscard]] SegmentedControl<QString>* control() const { return m_control; }

private:
    QStringList m_sections;
    SegmentedControl<QString>* m_control = nullptr;
};
