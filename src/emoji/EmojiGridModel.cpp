#include "emoji/EmojiGridModel.h"

#include <algorithm>

EmojiGridModel::EmojiGridModel(int columnCount, QObject* parent)
    : QAbstractTableModel(parent)
    , m_columnCount(std::max(1, columnCount)) {}

void EmojiGridModel::setSections(QList<Section> sections) {
    beginResetModel();
    m_sections = std::move(sections);
    m_headerRows.clear();
    m_rowCount = 0;
    for (const Section& section : m_sections) {
        m_headerRows.append(m_rowCount);
        m_rowCount += 1 + int((section.texts.size() + m_columnCount - 1) / m_columnCount);
    }
    endResetModel();
}

int EmojiGridModel::rowSpan(int section) const {
    const int next = section + 1 < m_headerRows.size() ? m_headerRows.at(section + 1) : m_rowCount;
    return next - m_headerRows.at(section);
}

int EmojiGridModel::sectionOfId(const QString& id) const {
    for (int index = 0; index < m_sections.size(); ++index) {
        if (m_sections.at(index).id == id)
            return index;
    }
    return -1;
}

bool EmojiGridModel::isHeaderRow(int row) const {
    return std::binary_search(m_headerRows.cbegin(), m_headerRows.cend(), row);
}

EmojiGridModel::Location EmojiGridModel::locate(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columnCount)
        return {};
    // The section is the last one whose header row is at or above `row`.
    const auto after = std::upper_bound(m_headerRows.cbegin(), m_headerRows.cend(), row);
    const int section = int(after - m_headerRows.cbegin()) - 1;
    const int offset = row - m_headerRows.at(section);
    if (offset == 0)
        return {section, -1};
    const int item = (offset - 1) * m_columnCount + column;
    return {section, item < m_sections.at(section).texts.size() ? item : -1};
}

bool EmojiGridModel::activate(const QModelIndex& index) const {
    const Location location = locate(index.row(), index.column());
    if (location.item < 0)
        return false;
    const Section& section = m_sections.at(location.section);
    if (section.activate)
        section.activate(location.item);
    return true;
}

int EmojiGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int EmojiGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant EmojiGridModel::data(const QModelIndex& index, int role) const {
    const Location location = locate(index.row(), index.column());
    if (location.section < 0)
        return {};
    const Section& section = m_sections.at(location.section);
    const bool isHeader = index.row() == m_headerRows.at(location.section);
    switch (role) {
    case Qt::AccessibleTextRole:
        if (!isHeader && location.item >= 0 && m_accessibleName) {
            const QString name = m_accessibleName(section.texts.at(location.item));
            return name.isEmpty() ? section.texts.at(location.item) : name;
        }
        [[fallthrough]];
    case Qt::DisplayRole:
        if (isHeader)
            return index.column() == 0 ? QVariant(section.title) : QVariant();
        return location.item >= 0 ? QVariant(section.texts.at(location.item)) : QVariant();
    case IsHeaderRole:
        return isHeader;
    case SectionIdRole:
        return section.id;
    case ItemIndexRole:
        return location.item;
    default:
        return {};
    }
}

Qt::ItemFlags EmojiGridModel::flags(const QModelIndex& index) const {
    const Location location = locate(index.row(), index.column());
    if (location.item < 0)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

#include "moc_EmojiGridModel.cpp"
