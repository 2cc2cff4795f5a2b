#include "window/ui/RootSearchField.h"

#include "platform/SymbolImage.h"
#include "widgets/SearchField.h"
#include "widgets/TextStyle.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int fieldWidth = 280;
} // namespace

RootSearchField::RootSearchField(Binding<QString> text, Binding<SearchRootScope> scope,
                                 QWidget* parent)
    : QWidget(parent)
    , m_text(text)
    , m_scope(std::move(scope))
    , m_shownScope(m_scope.get()) {
    setObjectName(QStringLiteral("rootSearchField"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(3);

    m_field = new SearchField(std::move(text), this);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setPlaceholderText(tr("Search"));
    m_field->setAccessibleName(tr("Search"));
    m_field->setFixedWidth(fieldWidth);
    m_field->installEventFilter(this);
    layout->addWidget(m_field);

    m_scopeRow = new QHBoxLayout;
    m_scopeRow->setContentsMargins(0, 0, 0, 0);
    m_scopeRow->setSpacing(2);
    layout->addLayout(m_scopeRow);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    rebuildScopeRow();
}

void RootSearchField::refresh() {
    m_field->refresh();
    if (!(m_scope.get() == m_shownScope)) {
        m_shownScope = m_scope.get();
        rebuildScopeRow();
    }
}

void RootSearchField::activate() {
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

bool RootSearchField::eventFilter(QObject* watched, QEvent* event) {
    // Escape empties the field, as in the desktop's search fields.
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_field->text().isEmpty()) {
        m_field->clear();
        m_text.set(QString());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RootSearchField::rebuildScopeRow() {
    for (QToolButton* button : std::as_const(m_buttons)) {
        m_group->removeButton(button);
        button->hide();
        // A button may be rebuilding the row from its own click handler.
        button->deleteLater();
    }
    m_buttons.clear();
    while (QLayoutItem* item = m_scopeRow->takeAt(0))
        delete item;

    addScopeButton(QStringLiteral("Collection"), QString(), SearchRootScope{});
    if (m_shownScope.isCollection()) {
        addScopeButton(QStringLiteral("Deeplinks"), QString(),
                       SearchRootScope{DeeplinkScope::Title});
    } else {
        for (DeeplinkScope field : DeeplinkScopes::allCases()) {
            addScopeButton(DeeplinkScopes::label(field), DeeplinkScopes::symbolName(field),
                           SearchRootScope{field});
        }
    }
    m_scopeRow->addStretch(1);
}

void RootSearchField::addScopeButton(const QString& label, const QString& symbol,
                                     SearchRootScope value) {
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("scopeButton"));
    button->setText(label);
    button->setAccessibleName(tr("Search scope %1").arg(label));
    button->setCheckable(true);
    button->setChecked(value == m_shownScope);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFont(TextStyle::font(TextStyle::Style::Caption));
    button->setToolButtonStyle(symbol.isEmpty() ? Qt::ToolButtonTextOnly
                                                : Qt::ToolButtonTextBesideIcon);
    if (!symbol.isEmpty()) {
        button->setIcon(SymbolImage::icon(symbol));
        button->setIconSize(QSize(12, 12));
    }
    m_group->addButton(button);
    m_buttons.append(button);
    m_scopeRow->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, value] {
        if (value == m_scope.get())
            return;
        m_scope.set(value);
        refresh();
    });
}
