#include "window/HistoryModel.h"

#include <QImageReader>
#include <QLocale>

HistoryModel::HistoryModel(FiringHistory* history, QObject* parent)
    : QAbstractTableModel(parent)
    , m_history(history) {
    if (history) {
        m_records = history->latest();
        connect(history, &FiringHistory::recorded, this, &HistoryModel::prepend);
    }
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_records.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Time:
        return tr("Time");
    case Deeplink:
        return tr("Deeplink");
    case Destination:
        return tr("Destination");
    case Outcome:
        return tr("Outcome");
    case Handler:
        return tr("Handler");
    case TimeTaken:
        return tr("Time Taken");
    case Screenshot:
        return tr("Screenshot");
    default:
        return {};
    }
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_records.size())
        return {};
    const FiringRecord& record = m_records.at(index.row());
    const FiringOutcome& outcome = record.outcome;
    if (role == RecordRole)
        return QVariant::fromValue(record);
    if (role == Qt::ToolTipRole && index.column() != Screenshot)
        return outcome.summary(record.url);
    // An empty cell still reads as something: what is not known.
    if (role == Qt::AccessibleTextRole && index.column() != Outcome &&
        (index.column() != Screenshot || outcome.screenshot.isEmpty()) &&
        data(index, Qt::DisplayRole).toString().isEmpty()) {
        return index.column() == Screenshot
                   ? tr("No screenshot")
                   : tr("%1 not known")
                         .arg(headerData(index.column(), Qt::Horizontal, Qt::DisplayRole)
                                  .toString());
    }
    switch (index.column()) {
    case Time:
        if (role == Qt::DisplayRole)
            return QLocale().toString(record.time, QLocale::ShortFormat);
        break;
    case Deeplink:
        // The URL as fired: the same deeplink fires different URLs in different environments.
        if (role == Qt::DisplayRole)
            return record.title.isEmpty() ? record.url : record.title + u'\n' + record.url;
        // Read as the title, and then the URL, not as one line break joined text.
        if (role == Qt::AccessibleTextRole && !record.title.isEmpty())
            return record.title;
        if (role == Qt::AccessibleDescriptionRole)
            return record.url;
        break;
    case Destination:
        if (role == Qt::DisplayRole)
            return record.destination;
        break;
    case Outcome:
        if (role == Qt::DisplayRole)
            return FiringOutcome::resultName(outcome.result);
        // A picture at its own size: the rows are tall for the thumbnails.
        if (role == Qt::DecorationRole && m_outcomeIcon)
            return m_outcomeIcon(outcome.result).pixmap(markSize, markSize);
        if (role == Qt::AccessibleTextRole)
            return outcome.summary(record.url);
        break;
    case Handler:
        if (role == Qt::DisplayRole)
            return outcome.handlerName.isEmpty() ? outcome.handler : outcome.handlerName;
        if (role == Qt::ToolTipRole)
            return outcome.handler;
        // Read with its column: a bare identifier says little.
        if (role == Qt::AccessibleTextRole && !outcome.handler.isEmpty())
            return tr("Handler %1").arg(data(index, Qt::DisplayRole).toString());
        break;
    case TimeTaken:
        if (role == Qt::DisplayRole && outcome.totalTimeMs)
            return tr("%1 ms").arg(QLocale().toString(*outcome.totalTimeMs));
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Screenshot:
        if (outcome.screenshot.isEmpty())
            break;
        if (role == Qt::DecorationRole)
            return thumbnail(record);
        if (role == Qt::ToolTipRole)
            return outcome.screenshot;
        // A picture reads as what it is and where it lies.
        if (role == Qt::AccessibleTextRole)
            return tr("Screenshot %1").arg(outcome.screenshot);
        break;
    default:
        break;
    }
    return {};
}

QImage HistoryModel::thumbnail(const FiringRecord& record) const {
    if (const auto cached = m_thumbnails.constFind(record.id); cached != m_thumbnails.cend())
        return *cached;
    // Scaled while decoding: a phone's screen is large and a thousand rows may show it.
    QImageReader reader(record.outcome.screenshot);
    const QSize size = reader.size();
    if (size.isValid() && size.height() > 0)
        reader.setScaledSize(size.scaled(thumbnailHeight * size.width() / size.height(),
                                         thumbnailHeight, Qt::KeepAspectRatio));
    const QImage image = reader.read(); // null when the file is gone: no thumbnail
    m_thumbnails.insert(record.id, image);
    return image;
}

void HistoryModel::prepend(const FiringRecord& record) {
    beginInsertRows({}, 0, 0);
    m_records.prepend(record);
    endInsertRows();
    if (m_records.size() > FiringHistory::capacity) {
        const int last = int(m_records.size()) - 1;
        beginRemoveRows({}, last, last);
        m_thumbnails.remove(m_records.takeLast().id);
        endRemoveRows();
    }
}

#include "moc_HistoryModel.cpp"
