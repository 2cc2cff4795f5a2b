#include "widgets/SegmentedControlBase.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

SegmentedControlBase::SegmentedControlBase(const QList<QIcon>& images, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
    , m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    m_group->setExclusive(true);
    for (int index = 0; index < images.size(); ++index) {
        auto* button = new QToolButton(this);
        button->setIcon(images.at(index));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_group->addButton(button, index);
        m_layout->addWidget(button);
    }
    setSelectedIndex(0);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int index) {
        handleUserSelection(index);
        Q_EMIT segmentClicked(index);
    });
}

int SegmentedControlBase::count() const {
    return m_group->buttons().size();
}

int SegmentedControlBase::selectedIndex() const {
    return m_group->checkedId();
}

void SegmentedControlBase::setSelectedIndex(int index) {
    if (QAbstractButton* button = m_group->button(index))
        button->setChecked(true);
}

void SegmentedControlBase::setImageSize(const QSize& size) {
    for (QAbstractButton* button : m_group->buttons())
        button->setIconSize(size);
}

void SegmentedControlBase::setSegmentToolTip(int index, const QString& text) {
    if (QAbstractButton* button = m_group->button(index)) {
        button->setToolTip(text);
        button->setAccessibleName(text);
    }
}
