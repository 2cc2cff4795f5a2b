#pragma once

#include "widgets/Binding.h"
#include "widgets/SegmentedControlBase.h"

#include <functional>

// QWidget template (over SegmentedControlBase): an image segmented control bound two-way to a
// selection of type Value. Segment i stands for dataSource[i]. refresh() selects the first segment
// whose value equals the binding (the first segment when none does, leaving the binding alone); a
// click writes the segment's value to the binding and only then calls selectionHandler, so the
// handler sees the new value.
template <typename Value> class SegmentedControl : public SegmentedControlBase {
public:
    SegmentedControl(Binding<Value> selection, const QList<QIcon>& images, QList<Value> dataSource,
                     std::function<void()> selectionHandler = {}, QWidget* parent = nullptr)
        : SegmentedControlBase(images, parent)
        , m_selection(std::move(selection))
        , m_dataSource(std::move(dataSource))
        , m_selectionHandler(std::move(selectionHandler)) {
        refresh();
    }

    [[nodiscard]] const QList<Value>& dataSource() const { return m_dataSource; }

    void refresh() {
        const qsizetype index = m_dataSource.indexOf(m_selection.get());
        setSelectedIndex(index < 0 ? 0 : int(index));
    }

    // Calls refresh() whenever `sender` emits `signal`.
    template <typename Sender, typename Signal>
    void refreshOn(const Sender* sender, Signal signal) {
        connect(sender, signal, this, [this] { refresh(); });
    }

protected:
    void handleUserSelection(int index) override {
        // Fewer values than images: there is nothing to write for the extra segments.
        if (index < 0 || index >= m_dataSource.size())
            return;
        m_selection.set(m_dataSource.at(index));
        if (m_selectionHandler)
            m_selectionHandler();
    }

private:
    Binding<Value> m_selection;
    QList<Value> m_dataSource;
    std::function<void()> m_selectionHandler;
};
