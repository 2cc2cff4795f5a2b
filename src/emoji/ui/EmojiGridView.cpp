#include "emoji/ui/EmojiGridView.h"

#include "emoji/EmojiGridModel.h"
#include "emoji/ui/EmojiGridDelegate.h"
#include "emoji/ui/SectionHeader.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

EmojiGridView::EmojiGridView(EmojiGridModel* model, QWidget* parent)
    : QTableView(parent)
    , m_model(model) {
    setAccessibleName(tr("Emoji"));
    setItemDelegate(new EmojiGridDelegate(this));
    setModel(model);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setMinimumSectionSize(10);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(EmojiGridDelegate::cellSize);
    verticalScrollBar()->setSingleStep(EmojiGridDelegate::cellSize / 2);

    connect(model, &QAbstractItemModel::modelReset, this, &EmojiGridView::layoutSections);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { m_model->activate(index); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            &EmojiGridView::sectionFramesChanged);
    layoutSections();
}

void EmojiGridView::layoutSections() {
    clearSpans();
    const int headerHeight = SectionHeader(QString(), SectionHeader::title3Font(font())).height();
    const int columns = m_model->columnCount();
    for (int section = 0; section < m_model->sections().size(); ++section) {
        const int row = m_model->headerRow(section);
        if (columns > 1)
            setSpan(row, 0, 1, columns);
        setRowHeight(row, headerHeight);
    }
    Q_EMIT sectionFramesChanged();
}

QList<OffsetViewFrame> EmojiGridView::sectionFrames() const {
    QList<OffsetViewFrame> frames;
    const QList<EmojiGridModel::Section>& sections = m_model->sections();
    frames.reserve(sections.size());
    const QHeaderView* rows = verticalHeader();
    const int offset = rows->offset();
    for (int section = 0; section < sections.size(); ++section) {
        const int first = m_model->headerRow(section);
        const int last = first + m_model->rowSpan(section) - 1;
        const int top = rows->sectionPosition(first) - offset;
        const int bottom = rows->sectionPosition(last) + rows->sectionSize(last) - offset;
        frames.append({sections.at(section).id, QRectF(0, top, viewport()->width(), bottom - top)});
    }
    return frames;
}

void EmojiGridView::scrollToSection(const QString& id) {
    const int section = m_model->sectionOfId(id);
    if (section < 0)
        return;
    verticalScrollBar()->setValue(verticalHeader()->sectionPosition(m_model->headerRow(section)));
}

QModelIndex EmojiGridView::itemIndex(const QString& id, int item) const {
    const int section = m_model->sectionOfId(id);
    if (section < 0 || item < 0 || item >= m_model->sections().at(section).texts.size())
        return {};
    const int columns = m_model->columnCount();
    return m_model->index(m_model->headerRow(section) + 1 + item / columns, item % columns);
}

QRect EmojiGridView::itemRect(const QString& id, int item) const {
    const QModelIndex index = itemIndex(id, item);
    return index.isValid() ? visualRect(index) : QRect();
}

void EmojiGridView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_model->activate(currentIndex())) {
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void EmojiGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    Q_EMIT sectionFramesChanged();
}
