#include "window/ui/QuickOpenBar.h"

#include "platform/AppSettings.h"
#include "platform/UserDefaultWrapper.h"
#include "store/UrlText.h"
#include "widgets/SearchField.h"
#include "widgets/TextStyle.h"
#include "window/WindowState.h"
#include "window/ui/Firing.h"
#include "window/ui/PlaceholderLineEdit.h"

#include <QApplication>
#include <QCompleter>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {

UserDefaultWrapper<QStringList> recentUrlsDefault() {
    return {QStringLiteral("QuickOpen.recentUrls"),
            {},
            std::shared_ptr<QSettings>(AppSettings::standard())};
}

} // namespace

QuickOpenBar::QuickOpenBar(WindowState* state, OpenUrlAction openUrl, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_openUrl(std::move(openUrl)) {
    setObjectName(QStringLiteral("quickOpenBar"));
    setAccessibleName(tr("Quick Open"));
    m_field = new PlaceholderLineEdit(this);
    m_field->setObjectName(QStringLiteral("quickOpenField"));
    m_field->setAccessibleName(tr("Open URL"));
    m_field->setPlaceholderText(tr("Type or paste a URL and press Return to open it"));
    SearchField::addSymbolAndClearButton(m_field, QStringLiteral("globe"), tr("URL"));
    m_field->installEventFilter(this);
    m_completions = new QStringListModel(recentUrls(), this);
    auto* completer = new QCompleter(m_completions, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_field->setCompleter(completer);
    connect(m_field, &QLineEdit::returnPressed, this, &QuickOpenBar::fire);
    connect(m_field, &QLineEdit::textEdited, this, [this] { m_problem->hide(); });

    m_addButton = new QPushButton(tr("Add to Collection"), this);
    m_addButton->setObjectName(QStringLiteral("quickOpenAdd"));
    m_addButton->setAccessibleName(m_addButton->text());
    m_addButton->setToolTip(tr("Store the URL as a new deeplink of the selected collection"));
    m_addButton->setAutoDefault(false);
    connect(m_addButton, &QPushButton::clicked, this, &QuickOpenBar::addToCollection);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("quickOpenProblem"));
    TextStyle::setProblemStyle(m_problem);
    m_problem->hide();

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(m_field, 1);
    row->addWidget(m_addButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    layout->addLayout(row);
    layout->addWidget(m_problem);

    if (m_state) {
        connect(m_state, &WindowState::selectedDeeplinkCollectionChanged, this,
                &QuickOpenBar::updateAddButton);
    }
    updateAddButton();
    hide();
}

void QuickOpenBar::open() {
    QWidget* focus = QApplication::focusWidget();
    if (focus && !isAncestorOf(focus))
        m_returnFocus = focus;
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void QuickOpenBar::dismiss() {
    hide();
    m_problem->hide();
    if (m_returnFocus)
        m_returnFocus->setFocus(Qt::OtherFocusReason);
}

QStringList QuickOpenBar::recentUrls() {
    return recentUrlsDefault().value();
}

std::optional<QString> QuickOpenBar::url() {
    // The edges of a pasted text often carry a line break or a space; neither is meant.
    const QString url = UrlText::encodedWhereNeeded(m_field->text().trimmed());
    const QString problem = UrlText::problem(url);
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty())
        return std::nullopt;
    return url;
}

void QuickOpenBar::fire() {
    const std::optional<QString> url = this->url();
    if (!url || !m_openUrl)
        return;
    // Kept as typed, placeholders and all: the values may differ next time.
    if (Firing::fire(this, m_openUrl, *url, {}, nullptr))
        remember(*url);
    m_field->selectAll();
}

void QuickOpenBar::addToCollection() {
    if (!m_state || !m_state->selectedDeeplinkCollection())
        return;
    if (const std::optional<QString> url = this->url()) {
        Q_EMIT addToCollectionRequested(*url);
        dismiss();
    }
}

void QuickOpenBar::remember(const QString& url) {
    QStringList recent = recentUrls();
    recent.removeAll(url);
    recent.prepend(url);
    while (recent.size() > recentLimit)
        recent.removeLast();
    recentUrlsDefault().setValue(recent);
    m_completions->setStringList(recent);
}

void QuickOpenBar::updateAddButton() {
    m_addButton->setEnabled(m_state && m_state->selectedDeeplinkCollection());
}

bool QuickOpenBar::eventFilter(QObject* watched, QEvent* event) {
    // Reaches here only when no completion list is open: that one takes Escape first.
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void QuickOpenBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}
