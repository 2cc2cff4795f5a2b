#include "window/ui/HistoryWindow.h"

#include "store/FiringHistory.h"
#include "widgets/OutcomeMark.h"
#include "window/HistoryModel.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(FiringHistory* history, OpenUrlAction openUrl, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_openUrl(std::move(openUrl))
    , m_openFile(
          [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(tr("History"));
    setAccessibleName(tr("History"));
    resize(980, 560);

    m_model = new HistoryModel(history, this);
    m_model->setOutcomeIcon(&OutcomeMark::icon);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setAccessibleName(tr("Firings, newest first"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    // Tab leaves the table for the button; the arrows move between rows.
    m_table->setTabKeyNavigation(false);
    m_table->setIconSize(QSize(HistoryModel::thumbnailHeight, HistoryModel::thumbnailHeight));
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(HistoryModel::thumbnailHeight + 6);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(HistoryModel::Deeplink, QHeaderView::Stretch);
    header->resizeSection(HistoryModel::Time, 140);
    header->resizeSection(HistoryModel::Destination, 130);
    header->resizeSection(HistoryModel::Outcome, 110);
    header->resizeSection(HistoryModel::Handler, 200);
    header->resizeSection(HistoryModel::TimeTaken, 90);
    header->resizeSection(HistoryModel::Screenshot, 90);
    // Double click or Return on a row.
    connect(m_table, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { openScreenshot(index.row()); });

    m_fireAgain = new QPushButton(tr("Fire Again"), this);
    m_fireAgain->setObjectName(QStringLiteral("fireAgain"));
    m_fireAgain->setToolTip(tr("Fire the selected firing's URL at the selected destination"));
    connect(m_fireAgain, &QPushButton::clicked, this, &HistoryWindow::fireAgain);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryWindow::updateButtons);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &HistoryWindow::updateButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_fireAgain);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    // The newest firing, ready for "Fire Again".
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    updateButtons();
}

int HistoryWindow::selectedRow() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void HistoryWindow::updateButtons() {
    m_fireAgain->setEnabled(selectedRow() >= 0);
}

void HistoryWindow::openScreenshot(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QString path = m_model->record(row).outcome.screenshot;
    if (!path.isEmpty() && m_openFile)
        m_openFile(path);
}

void HistoryWindow::fireAgain() {
    const int row = selectedRow();
    if (row < 0 || !m_openUrl)
        return;
    const FiringRecord& record = m_model->record(row);
    // The record keeps the URL that went out, variables filled in: it goes out again as it is,
    // not through Firing, since a value may itself hold "{{name}}".
    m_openUrl(FiringRequest{.url = record.url, .title = record.title}, {});
}
