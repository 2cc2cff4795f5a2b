#include "window/ui/DeeplinkDetailView.h"

#include "platform/AppSettings.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "store/Placeholder.h"
#include "store/UrlText.h"
#include "store/VariableResolver.h"
#include "store/VariableSettings.h"
#include "widgets/TextStyle.h"
#include "window/ui/PlaceholderLineEdit.h"
#include "window/ui/QueryParameterTable.h"

#include <QApplication>
#include <QFormLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

using DeeplinkUrlEditing::Field;

namespace {

// The URL fields and the component each one edits.
constexpr std::array<std::pair<Focusable::Kind, Field>, 7> components{{
    {Focusable::Kind::Url, Field::Url},
    {Focusable::Kind::Host, Field::Host},
    {Focusable::Kind::Scheme, Field::Scheme},
    {Focusable::Kind::Port, Field::Port},
    {Focusable::Kind::User, Field::User},
    {Focusable::Kind::Password, Field::Password},
    {Focusable::Kind::Path, Field::Path},
}};

} // namespace

DeeplinkDetailView::DeeplinkDetailView(Deeplink* deeplink, QWidget* parent)
    : QWidget(parent)
    , m_deeplink(deeplink)
    , m_context(deeplink ? deeplink->managedObjectContext() : nullptr) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(14);

    m_form = new QWidget(this);
    auto* form = new QFormLayout(m_form);
    form->setContentsMargins(0, 0, 0, 0);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    const std::array<std::pair<Focusable::Kind, QString>, 8> labelled{{
        {Focusable::Kind::Title, tr("Title")},
        {Focusable::Kind::Url, tr("URL")},
        {Focusable::Kind::Host, tr("Host")},
        {Focusable::Kind::Scheme, tr("Scheme")},
        {Focusable::Kind::Port, tr("Port")},
        {Focusable::Kind::User, tr("User")},
        {Focusable::Kind::Password, tr("Password")},
        {Focusable::Kind::Path, tr("Path")},
    }};
    const std::array<QString, 8> objectNames{QStringLiteral("title"),    QStringLiteral("url"),
                                             QStringLiteral("host"),     QStringLiteral("scheme"),
                                             QStringLiteral("port"),     QStringLiteral("user"),
                                             QStringLiteral("password"), QStringLiteral("path")};
    for (size_t i = 0; i < labelled.size(); ++i) {
        QLineEdit* edit = makeField(labelled[i].first, objectNames[i]);
        auto* label = new QLabel(labelled[i].second, m_form);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    m_urlProblem = new QLabel(m_form);
    m_urlProblem->setObjectName(QStringLiteral("urlProblem"));
    TextStyle::setProblemStyle(m_urlProblem);
    m_urlProblem->hide();
    form->insertRow(2, m_urlProblem); // under the URL field
    m_preview = new QLabel(m_form);
    m_preview->setObjectName(QStringLiteral("urlPreview"));
    m_preview->setFont(TextStyle::font(TextStyle::Style::Callout));
    m_preview->setTextFormat(Qt::PlainText);
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A long URL is elided to the field's width instead of widening the window.
    m_preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_preview->installEventFilter(this);
    m_preview->hide();
    form->insertRow(3, static_cast<QWidget*>(nullptr), m_preview);
    // A port may be a variable ("{{port}}"): numbers are preferred, not the only input.
    m_fields[size_t(Focusable::Kind::Port)]->setInputMethodHints(Qt::ImhPreferNumbers);
    m_fields[size_t(Focusable::Kind::Url)]->setInputMethodHints(Qt::ImhUrlCharactersOnly);
    layout->addWidget(m_form);
    m_parameters = new QueryParameterTable(m_fields[size_t(Focusable::Kind::Path)], this);
    layout->addWidget(m_parameters, 1);
    connect(m_parameters, &QueryParameterTable::cellEdited, this, &DeeplinkDetailView::rowEdited);
    connect(m_parameters, &QueryParameterTable::cellEditingFinished, this,
            &DeeplinkDetailView::editingFinished);
    connect(m_parameters, &QueryParameterTable::addRowClicked, this, &DeeplinkDetailView::addRow);
    connect(m_parameters, &QueryParameterTable::removeLastRowClicked, this,
            &DeeplinkDetailView::removeLastRow);

    connect(m_fields[size_t(Focusable::Kind::Title)], &QLineEdit::textEdited, this,
            &DeeplinkDetailView::titleEdited);
    for (const auto& entry : components) {
        QLineEdit* edit = m_fields[size_t(entry.first)];
        const Field component = entry.second;
        connect(edit, &QLineEdit::textEdited, this, [this, edit, component](const QString& text) {
            fieldEdited(edit, component, text);
        });
    }

    if (m_context) {
        m_storeConnection = connect(
            m_context, &ManagedObjectContext::objectChanged, this, [this](ManagedObject* object) {
                // The collection's active environment fills the placeholders.
                if (object == m_deeplink.data())
                    refresh();
                else if (m_deeplink && object == m_deeplink->deeplinkCollection())
                    updatePreview();
            });
    }
    if (m_deeplink)
        connect(m_deeplink, &QObject::destroyed, this, &DeeplinkDetailView::refresh);
    // editingFinished is not sent when focus leaves a field whose text ended up as it was;
    // the field must still stop being treated as "being typed into".
    m_focusConnection =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget*) {
            if (old && old == m_typing)
                editingFinished(m_typing);
        });
    readGlobals();
    refresh();
}

DeeplinkDetailView::~DeeplinkDetailView() {
    save();
    // ~QWidget moves the focus off the children after this part of the object is gone, and
    // QObject drops the connections only after that.
    disconnect(m_focusConnection);
    disconnect(m_storeConnection);
    // A field that loses the focus then also finishes its edit.
    for (QLineEdit* field : m_fields) {
        if (field)
            disconnect(field, nullptr, this, nullptr);
    }
}

QLineEdit* DeeplinkDetailView::makeField(Focusable::Kind which, const QString& objectName) {
    // Every URL field shows placeholders as the URL field does.
    auto* edit =
        which == Focusable::Kind::Title ? new QLineEdit(m_form) : new PlaceholderLineEdit(m_form);
    edit->setObjectName(objectName);
    edit->setClearButtonEnabled(false);
    m_fields[size_t(which)] = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] { editingFinished(edit); });
    return edit;
}

Focusable DeeplinkDetailView::focusedReminder() const {
    QWidget* focused = window()->focusWidget();
    if (!focused)
        return {};
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i] && m_fields[i] == focused) {
            return {Focusable::Kind(i)};
        }
    }
    return m_parameters->focusOf(focused);
}

void DeeplinkDetailView::setFocusedReminder(const Focusable& focus) {
    if (focus.kind == Focusable::Kind::None) {
        if (focusedReminder().kind != Focusable::Kind::None)
            window()->focusWidget()->clearFocus();
        return;
    }
    if (QLineEdit* edit = field(focus))
        edit->setFocus(Qt::OtherFocusReason);
}

QLineEdit* DeeplinkDetailView::field(const Focusable& focus) const {
    if (focus.isRow())
        return m_parameters->cell(focus);
    return m_fields[size_t(focus.kind)];
}

void DeeplinkDetailView::addRow() {
    if (!componentsAreEditable())
        return;
    commitPendingEdit();
    qint64 id = 0;
    store(DeeplinkUrlEditing::withAddedRow(storedUrl(), &id));
    refresh();
    const Focusable nameCell{Focusable::Kind::KeyRow, id};
    if (QLineEdit* name = field(nameCell)) {
        setFocusedReminder(nameCell);
        // The generated name is a placeholder: typing replaces it.
        name->selectAll();
        m_parameters->ensureVisible(name);
    }
}

void DeeplinkDetailView::removeLastRow() {
    if (!componentsAreEditable() || m_rows.isEmpty())
        return;
    commitPendingEdit();
    const Focusable focus = focusedReminder();
    store(DeeplinkUrlEditing::withLastRowRemoved(storedUrl()));
    refresh();
    // The focused cell went with its row: carry the focus to the same cell of the new last row.
    if (focus.isRow() && focus.row > m_rows.size() && !m_rows.isEmpty())
        setFocusedReminder({focus.kind, m_rows.size()});
}

void DeeplinkDetailView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    readGlobals();
    updatePreview();
    if (event->spontaneous() || !m_deeplink || m_deeplink->title() != Deeplink::newTitle())
        return;
    QLineEdit* title = m_fields[size_t(Focusable::Kind::Title)];
    title->setFocus(Qt::OtherFocusReason);
    title->selectAll();
}

void DeeplinkDetailView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    save();
}

bool DeeplinkDetailView::event(QEvent* event) {
    // Preferences may have changed the global variables meanwhile.
    if (event->type() == QEvent::WindowActivate) {
        readGlobals();
        updatePreview();
    }
    return QWidget::event(event);
}

bool DeeplinkDetailView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_preview && event->type() == QEvent::Resize)
        elidePreview();
    return QWidget::eventFilter(watched, event);
}

void DeeplinkDetailView::refresh() {
    const bool live = isEditable();
    m_form->setEnabled(live);

    const QString url = storedUrl();
    setShownText(m_fields[size_t(Focusable::Kind::Title)], live ? m_deeplink->title() : QString());
    for (const auto& [which, component] : components)
        setShownText(m_fields[size_t(which)], which == Focusable::Kind::Url && !m_urlDraft.isNull()
                                                  ? m_urlDraft
                                                  : DeeplinkUrlEditing::fieldText(url, component));
    QLineEdit* urlField = m_fields[size_t(Focusable::Kind::Url)];
    urlField->setToolTip(urlField->text());

    m_rows = live ? DeeplinkUrlEditing::rows(url) : QList<QueryItem>();
    m_parameters->setRowCount(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        QLineEdit* name = m_parameters->cell({Focusable::Kind::KeyRow, i + 1});
        QLineEdit* value = m_parameters->cell({Focusable::Kind::ValueRow, i + 1});
        setShownText(name, m_rows[i].store.name);
        setShownText(value, m_rows[i].store.value.value_or(QString()));
        name->setEnabled(live);
        value->setEnabled(live);
    }
    const bool components = live && componentsAreEditable();
    m_parameters->setButtonsEnabled(components, components && !m_rows.isEmpty());
    updatePreview();
}

void DeeplinkDetailView::readGlobals() {
    m_globals = VariableSettings::globals(*AppSettings::standard());
}

void DeeplinkDetailView::updatePreview() {
    const QString url = m_urlDraft.isNull() ? storedUrl() : QString();
    m_previewText.clear();
    bool problem = false;
    if (!Placeholder::find(url).isEmpty()) {
        VariableSources sources;
        if (const DeeplinkCollection* collection = m_deeplink->deeplinkCollection())
            sources.add(collection->activeVariables());
        sources.add(m_globals);
        const VariableResolver::Resolution resolution = VariableResolver::resolve(url, sources);
        m_previewText = resolution.ok() ? tr("Fires: %1").arg(resolution.url) : resolution.problem;
        // Missing values are asked for when firing; a value that cannot stand there is a fault.
        problem = !resolution.ok() && resolution.missing.isEmpty();
    }
    QPalette palette = m_preview->palette();
    palette.setColor(QPalette::WindowText,
                     problem ? TextStyle::orange() : TextStyle::secondary(m_form->palette()));
    m_preview->setPalette(palette);
    m_preview->setAccessibleName(m_previewText);
    m_preview->setToolTip(m_previewText);
    m_preview->setVisible(!m_previewText.isEmpty());
    elidePreview();
}

void DeeplinkDetailView::elidePreview() {
    const QString shown = m_preview->fontMetrics().elidedText(m_previewText, Qt::ElideMiddle,
                                                              m_preview->contentsRect().width());
    if (m_preview->text() != shown)
        m_preview->setText(shown);
}

QString DeeplinkDetailView::preview() const {
    return m_previewText;
}

void DeeplinkDetailView::setShownText(QLineEdit* edit, const QString& text) {
    // Rewriting the text moves the cursor and drops undo history: only when it differs, and
    // never under the user's fingers.
    if (edit == m_typing || edit->text() == text)
        return;
    edit->setText(text);
    edit->setCursorPosition(0);
}

bool DeeplinkDetailView::isEditable() const {
    return m_deeplink && !m_deeplink->isDeleted();
}

bool DeeplinkDetailView::componentsAreEditable() const {
    // A stored text that no longer parses shows empty components; writing one of them would
    // replace the stored text, so only the whole URL field may do that.
    return isEditable() &&
           (m_deeplink->urlString().isNull() || UrlText::parse(m_deeplink->urlString()));
}

QString DeeplinkDetailView::storedUrl() const {
    return isEditable() ? m_deeplink->urlString() : QString();
}

void DeeplinkDetailView::store(const QString& url) {
    if (isEditable())
        m_deeplink->setUrlString(url);
}

void DeeplinkDetailView::titleEdited(const QString& text) {
    m_typing = m_fields[size_t(Focusable::Kind::Title)];
    if (isEditable())
        m_deeplink->setTitle(text.isNull() ? QStringLiteral("") : text);
}

void DeeplinkDetailView::fieldEdited(QLineEdit* edit, Field field, const QString& text) {
    m_typing = edit;
    if (field == Field::Url) {
        urlEdited(text);
    } else if (componentsAreEditable()) {
        // A component rewrites the stored URL, which the URL field then shows again.
        setUrlDraft({}, {});
        store(DeeplinkUrlEditing::withFieldText(storedUrl(), field, text));
    }
}

void DeeplinkDetailView::urlEdited(const QString& text) {
    if (!isEditable())
        return;
    // Checked as Quick Open checks what is typed, so both give the same reason.
    const QString problem =
        text.isEmpty() ? QString() : UrlText::problem(UrlText::encodedWhereNeeded(text));
    setUrlDraft(problem.isEmpty() ? QString() : text, problem);
    if (problem.isEmpty())
        store(DeeplinkUrlEditing::withFieldText(storedUrl(), Field::Url, text));
}

void DeeplinkDetailView::setUrlDraft(const QString& draft, const QString& problem) {
    m_urlDraft = draft;
    m_urlProblem->setText(problem);
    m_urlProblem->setVisible(!problem.isEmpty());
    updatePreview();
}

QString DeeplinkDetailView::urlProblem() const {
    return m_urlProblem->text();
}

void DeeplinkDetailView::rowEdited(QLineEdit* edit, const Focusable& row, const QString& text) {
    m_typing = edit;
    if (!componentsAreEditable())
        return;
    const qint64 id = row.row;
    if (row.kind == Focusable::Kind::KeyRow) {
        // A name cleared on the way to typing a new one would drop the row at once and shift
        // the next row under the cursor; the drop waits until the user leaves the cell.
        if (text.isEmpty())
            return;
        store(DeeplinkUrlEditing::withRowName(storedUrl(), id, text));
    } else {
        store(DeeplinkUrlEditing::withRowValue(storedUrl(), id, text));
    }
}

void DeeplinkDetailView::editingFinished(QLineEdit* edit) {
    if (edit != m_typing)
        return;
    commitPendingEdit();
    refresh();
}

void DeeplinkDetailView::commitPendingEdit() {
    QLineEdit* edit = m_typing;
    m_typing = nullptr;
    if (!edit || !edit->text().isEmpty() || !componentsAreEditable())
        return;
    const Focusable row = m_parameters->focusOf(edit);
    if (row.kind == Focusable::Kind::KeyRow)
        store(DeeplinkUrlEditing::withRowName(storedUrl(), row.row, QString()));
}

void DeeplinkDetailView::save() {
    commitPendingEdit();
    if (m_context && m_context->hasChanges())
        m_context->saveLater();
}
