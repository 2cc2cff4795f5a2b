#pragma once

#include "store/FiringHistory.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPointer>

#include <functional>

// QAbstractTableModel over a FiringHistory: one row per firing, newest first, as the History
// window lists them (time, deeplink, destination, outcome, handler, time taken, screenshot).
// New firings come in at the top as they are recorded; the oldest beyond the history's capacity
// go. Screenshot thumbnails are read when a row is first shown.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Deeplink, Destination, Outcome, Handler, TimeTaken, Screenshot, Count };
    enum Roles { RecordRole = Qt::UserRole + 1 };
    static constexpr int thumbnailHeight = 48;
    static constexpr int markSize = 16;

    explicit HistoryModel(FiringHistory* history, QObject* parent = nullptr);

    // The mark beside each outcome (the views' own icons; none by default).
    void setOutcomeIcon(std::function<QIcon(FiringOutcome::Result)> icon) {
        m_outcomeIcon = std::move(icon);
    }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    [[nodiscard]] const FiringRecord& record(int row) const { return m_records.at(row); }

private:
    void prepend(const FiringRecord& record);
    [[nodiscard]] QImage thumbnail(const FiringRecord& record) const;

    QPointer<FiringHistory> m_history;
    QList<FiringRecord> m_records;
    std::function<QIcon(FiringOutcome::Result)> m_outcomeIcon;
    mutable QHash<qint64, QImage> m_thumbnails;
};
