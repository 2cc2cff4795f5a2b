#include "widgets/PickerListPanel.h"

#include "platform/SymbolImage.h"
#include "widgets/SearchField.h"
#include "widgets/TextStyle.h"

#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int popoverWidth = 320;

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace

PickerListPanel::PickerListPanel(const QString& title, int minimumListHeight, QWidget* parent)
    : QWidget(parent)
    , m_searchField(new SearchField(Binding<QString>([this] { return m_searchText; },
                                                     [this](const QString& text) {
                                                         m_searchText = text;
                                                         Q_EMIT searchTextChanged(text);
                                                     }),
                                    this))
    , m_list(new QListView(this))
    , m_refresh(new QToolButton(this)) {
    setFixedWidth(popoverWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel(title, this);
    header->setFont(TextStyle::font(TextStyle::Style::Headline));
    header->setContentsMargins(12, 12, 12, 8);
    layout->addWidget(header);
    layout->addWidget(divider(this));

    auto* searchRow = new QVBoxLayout;
    searchRow->setContentsMargins(12, 8, 12, 8);
    searchRow->addWidget(m_searchField);
    layout->addLayout(searchRow);

    m_list->setMinimumHeight(minimumListHeight);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setMouseTracking(true);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    layout->addWidget(m_list, 1);
    layout->addWidget(divider(this));

    m_refresh->setText(QStringLiteral("Refresh"));
    m_refresh->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_refresh->setAutoRaise(true);
    m_refresh->setFont(TextStyle::font(TextStyle::Style::Caption));
    const QColor accent = palette().color(QPalette::Highlight);
    m_refresh->setIcon(SymbolImage::icon(QStringLiteral("arrow.clockwise"), accent));
    const int iconSize = QFontMetrics(m_refresh->font()).height();
    m_refresh->setIconSize(QSize(iconSize, iconSize));
    QPalette refreshPalette = m_refresh->palette();
    refreshPalette.setColor(QPalette::ButtonText, accent);
    m_refresh->setPalette(refreshPalette);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(8, 8, 8, 8);
    footer->addWidget(m_refresh);
    footer->addStretch();
    layout->addLayout(footer);

    connect(m_list, &QListView::clicked, this,
            [this](const QModelIndex& index) { Q_EMIT rowChosen(index.row()); });
    m_searchField->installEventFilter(this);
    m_list->installEventFilter(this);
}

void PickerListPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_searchField->setFocus(Qt::PopupFocusReason);
}

bool PickerListPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_list->currentIndex().isValid()) {
            Q_EMIT rowChosen(m_list->currentIndex().row());
            return true;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (watched == m_searchField) {
            // Typing stays in the field while the arrows walk the list.
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(m_list, &copy);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
