#include "window/DeeplinkDetailView.h"

#include "platform/SymbolImage.h"
#include "store/Deeplink.h"
#include "store/ManagedObjectContext.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using DeeplinkUrlEditing::Field;

namespace {

// The title every new deeplink gets; the editor puts the cursor there so it can be typed over.
const QString newDeeplinkTitle = QStringLiteral("Title");

// The URL fields and the component each one edits.
constexpr std::array<std::pair<Focusable::Case, Field>, 7> components{{
    {Focusable::Case::url, Field::url},
    {Focusable::Case::host, Field::host},
    {Focusable::Case::scheme, Field::scheme},
    {Focusable::Case::port, Field::port},
    {Focusable::Case::user, Field::user},
    {Focusable::Case::password, Field::password},
    {Focusable::Case::path, Field::path},
}};

QColor mixed(const QColor& a, const QColor& b, qreal amountOfB) {
    return QColor::fromRgbF(float(a.redF() * (1 - amountOfB) + b.redF() * amountOfB),
                            float(a.greenF() * (1 - amountOfB) + b.greenF() * amountOfB),
                            float(a.blueF() * (1 - amountOfB) + b.blueF() * amountOfB));
}

// The grey behind the header and footer of the parameter table, a shade off the window
// colour in light and dark palettes alike.
QColor underPageColor(const QPalette& palette) {
    return mixed(palette.color(QPalette::Window), palette.color(QPalette::WindowText), 0.07);
}

QColor separatorColor(const QPalette& palette) {
    return mixed(palette.color(QPalette::Base), palette.color(QPalette::WindowText), 0.15);
}

// The parameter group: a rounded rectangle whose header and footer bands sit on the
// under-page colour, with the table on the base colour between them.
class ParameterGroup : public QWidget {
public:
    using QWidget::QWidget;

    QWidget* header = nullptr;
    QWidget* footer = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath outline;
        outline.addRoundedRect(bounds, 8, 8);
        painter.save();
        painter.setClipPath(outline);
        painter.fillRect(rect(), palette().color(QPalette::Base));
        for (QWidget* band : {header, footer}) {
            if (band)
                painter.fillRect(band->geometry(), underPageColor(palette()));
        }
        painter.setPen(separatorColor(palette()));
        if (header)
            painter.drawLine(QPointF(0, header->geometry().bottom() + 0.5),
                             QPointF(width(), header->geometry().bottom() + 0.5));
        if (footer)
            painter.drawLine(QPointF(0, footer->geometry().top() - 0.5),
                             QPointF(width(), footer->geometry().top() - 0.5));
        painter.restore();
        painter.setPen(separatorColor(palette()));
        painter.drawPath(outline);
    }
};

// The rows of the parameter table, drawn in alternating bands as an inset table.
class ParameterRows : public QWidget {
public:
    explicit ParameterRows(QGridLayout** layout, QWidget* parent)
        : QWidget(parent) {
        *layout = m_layout = new QGridLayout(this);
        m_layout->setContentsMargins(6, 2, 6, 2);
        m_layout->setHorizontalSpacing(0);
        m_layout->setVerticalSpacing(0);
        m_layout->setColumnStretch(0, 1);
        m_layout->setColumnStretch(1, 1);
        m_layout->setAlignment(Qt::AlignTop);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor stripe = palette().color(QPalette::AlternateBase);
        for (int row = 2; row < m_layout->rowCount(); row += 2) {
            QLayoutItem* item = m_layout->itemAtPosition(row, 0);
            if (!item || !item->widget() || !item->widget()->isVisible())
                continue;
            const QRect cell = item->geometry();
            QPainterPath band;
            band.addRoundedRect(QRectF(m_layout->contentsRect().left(), cell.top(),
                                       m_layout->contentsRect().width(), cell.height()),
                                5, 5);
            painter.fillPath(band, stripe);
        }
    }

private:
    QGridLayout* m_layout = nullptr;
};

QToolButton* symbolButton(const QString& symbol, const QString& toolTip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(SymbolImage::icon(symbol));
    button->setIconSize(QSize(14, 14));
    button->setAutoRaise(true);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setObjectName(symbol);
    return button;
}

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
    const std::array<std::pair<Focusable::Case, QString>, 8> labelled{{
        {Focusable::Case::title, tr("Title")},
        {Focusable::Case::url, tr("URL")},
        {Focusable::Case::host, tr("Host")},
        {Focusable::Case::scheme, tr("Scheme")},
        {Focusable::Case::port, tr("Port")},
        {Focusable::Case::user, tr("User")},
        {Focusable::Case::password, tr("Password")},
        {Focusable::Case::path, tr("Path")},
    }};
    const std::array<QString, 8> objectNames{u"title"_qs, u"url"_qs,  u"host"_qs,     u"scheme"_qs,
                                             u"port"_qs,  u"user"_qs, u"password"_qs, u"path"_qs};
    for (size_t i = 0; i < labelled.size(); ++i) {
        QLineEdit* edit = makeField(labelled[i].first, objectNames[i]);
        auto* label = new QLabel(labelled[i].second, m_form);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    m_fields[size_t(Focusable::Case::port)]->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    m_fields[size_t(Focusable::Case::url)]->setInputMethodHints(Qt::ImhUrlCharactersOnly);
    layout->addWidget(m_form);
    layout->addWidget(buildParameterGroup(), 1);

    connect(m_fields[size_t(Focusable::Case::title)], &QLineEdit::textEdited, this,
            &DeeplinkDetailView::titleEdited);
    for (const auto& entry : components) {
        QLineEdit* edit = m_fields[size_t(entry.first)];
        const Field component = entry.second;
        connect(edit, &QLineEdit::textEdited, this, [this, edit, component](const QString& text) {
            fieldEdited(edit, component, text);
        });
    }

    if (m_context) {
        m_storeConnection = connect(m_context, &ManagedObjectContext::objectChanged, this,
                                    [this](ManagedObject* object) {
                                        if (object == m_deeplink.data())
                                            refresh();
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
    refresh();
}

DeeplinkDetailView::~DeeplinkDetailView() {
    save();
    // ~QWidget moves the focus off the children after this part of the object is gone, and
    // QObject drops the connections only after that.
    disconnect(m_focusConnection);
    disconnect(m_storeConnection);
}

QLineEdit* DeeplinkDetailView::makeField(Focusable::Case which, const QString& objectName) {
    auto* edit = new QLineEdit(m_form);
    edit->setObjectName(objectName);
    edit->setClearButtonEnabled(false);
    m_fields[size_t(which)] = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] { editingFinished(edit); });
    return edit;
}

QWidget* DeeplinkDetailView::buildParameterGroup() {
    auto* group = new ParameterGroup(this);
    group->setObjectName(u"parameters"_qs);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel(tr("Query Parameters"), group);
    header->setContentsMargins(5, 5, 5, 5);
    header->setIndent(3);
    QFont headerFont = header->font();
    headerFont.setBold(true);
    header->setFont(headerFont);
    layout->addWidget(header);
    group->header = header;

    // Column titles, aligned with the text inside the cells below (the rows' margins of 6 on
    // each side plus the cells' own text margin of 4).
    auto* columns = new QWidget(group);
    auto* columnsLayout = new QHBoxLayout(columns);
    columnsLayout->setContentsMargins(10, 4, 2, 2);
    columnsLayout->setSpacing(0);
    for (const QString& title : {tr("Name"), tr("Value")}) {
        auto* label = new QLabel(title, columns);
        QPalette dimmed = label->palette();
        dimmed.setColor(QPalette::WindowText, mixed(dimmed.color(QPalette::WindowText),
                                                    dimmed.color(QPalette::Base), 0.4));
        label->setPalette(dimmed);
        QFont small = label->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        label->setFont(small);
        columnsLayout->addWidget(label, 1);
    }
    layout->addWidget(columns);

    auto* scroll = m_rowsScroll = new QScrollArea(group);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setMinimumHeight(90);
    m_rowsWidget = new ParameterRows(&m_rowsLayout, scroll);
    scroll->setWidget(m_rowsWidget);
    // setWidget() turns background filling on; the group's base colour shows through instead.
    m_rowsWidget->setAutoFillBackground(false);
    layout->addWidget(scroll, 1);

    auto* footer = new QWidget(group);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(8, 8, 8, 8);
    footerLayout->setSpacing(4);
    m_plusButton = symbolButton(u"plus"_qs, tr("Add Parameter"), footer);
    m_minusButton = symbolButton(u"minus"_qs, tr("Remove Last Parameter"), footer);
    footerLayout->addWidget(m_plusButton);
    footerLayout->addWidget(m_minusButton);
    footerLayout->addStretch(1);
    layout->addWidget(footer);
    group->footer = footer;

    connect(m_plusButton, &QToolButton::clicked, this, &DeeplinkDetailView::addRow);
    connect(m_minusButton, &QToolButton::clicked, this, &DeeplinkDetailView::removeLastRow);
    return group;
}

void DeeplinkDetailView::ensureRowCells(qsizetype count) {
    while (m_rowCells.size() < count) {
        const qint64 id = m_rowCells.size() + 1;
        RowCells cells;
        for (bool isName : {true, false}) {
            auto* edit = new QLineEdit(m_rowsWidget);
            edit->setFrame(false);
            edit->setObjectName(QStringLiteral("%1Row%2").arg(isName ? u"key" : u"value").arg(id));
            edit->setAccessibleName(
                (isName ? tr("Name of parameter %1") : tr("Value of parameter %1")).arg(id));
            // Cells sit on the table's own bands, not on a field background of their own.
            edit->setAttribute(Qt::WA_MacShowFocusRect, false);
            QPalette clear = edit->palette();
            clear.setColor(QPalette::Base, Qt::transparent);
            edit->setPalette(clear);
            edit->setTextMargins(2, 3, 2, 3);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, edit, id, isName](const QString& text) {
                        rowEdited(edit, id, isName, text);
                    });
            connect(edit, &QLineEdit::editingFinished, this,
                    [this, edit] { editingFinished(edit); });
            m_rowsLayout->addWidget(edit, int(id), isName ? 0 : 1);
            (isName ? cells.name : cells.value) = edit;
        }
        m_rowCells.append(cells);
    }
    for (qsizetype i = 0; i < m_rowCells.size(); ++i) {
        // Hidden, not deleted: the cell may be the one whose signal got us here.
        m_rowCells[i].name->setVisible(i < count);
        m_rowCells[i].value->setVisible(i < count);
    }
    // Tab order: fields, then the cells row by row, then the buttons.
    QWidget* previous = m_fields[size_t(Focusable::Case::path)];
    for (qsizetype i = 0; i < count; ++i) {
        QWidget::setTabOrder(previous, m_rowCells[i].name);
        QWidget::setTabOrder(m_rowCells[i].name, m_rowCells[i].value);
        previous = m_rowCells[i].value;
    }
    QWidget::setTabOrder(previous, m_plusButton);
    QWidget::setTabOrder(m_plusButton, m_minusButton);
    m_rowsWidget->update();
}

Focusable DeeplinkDetailView::focusedReminder() const {
    QWidget* focused = window()->focusWidget();
    if (!focused)
        return Focusable::none();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i] && m_fields[i] == focused) {
            switch (Focusable::Case(i)) {
            case Focusable::Case::title:
                return Focusable::title();
            case Focusable::Case::url:
                return Focusable::url();
            case Focusable::Case::host:
                return Focusable::host();
            case Focusable::Case::scheme:
                return Focusable::scheme();
            case Focusable::Case::port:
                return Focusable::port();
            case Focusable::Case::user:
                return Focusable::user();
            case Focusable::Case::password:
                return Focusable::password();
            case Focusable::Case::path:
                return Focusable::path();
            default:
                break;
            }
        }
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rowCells[i].name == focused)
            return Focusable::keyRow(i + 1);
        if (m_rowCells[i].value == focused)
            return Focusable::valueRow(i + 1);
    }
    return Focusable::none();
}

void DeeplinkDetailView::setFocusedReminder(const Focusable& focus) {
    if (focus.kind() == Focusable::Case::none) {
        if (focusedReminder() != Focusable::none())
            window()->focusWidget()->clearFocus();
        return;
    }
    if (QLineEdit* edit = field(focus))
        edit->setFocus(Qt::OtherFocusReason);
}

QLineEdit* DeeplinkDetailView::field(const Focusable& focus) const {
    if (focus.isRow()) {
        if (focus.id() < 1 || focus.id() > m_rows.size())
            return nullptr;
        const RowCells& cells = m_rowCells[focus.id() - 1];
        return focus.kind() == Focusable::Case::keyRow ? cells.name : cells.value;
    }
    return m_fields[size_t(focus.kind())];
}

void DeeplinkDetailView::addRow() {
    if (!componentsAreEditable())
        return;
    commitPendingEdit();
    qint64 id = 0;
    store(DeeplinkUrlEditing::withAddedRow(storedUrl(), &id));
    refresh();
    if (QLineEdit* name = field(Focusable::keyRow(id))) {
        setFocusedReminder(Focusable::keyRow(id));
        // The generated name is a placeholder: typing replaces it.
        name->selectAll();
        // After the new row is laid out, not before.
        QTimer::singleShot(0, name, [this, name] { m_rowsScroll->ensureWidgetVisible(name); });
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
    if (focus.isRow() && focus.id() > m_rows.size() && !m_rows.isEmpty()) {
        setFocusedReminder(focus.kind() == Focusable::Case::keyRow
                               ? Focusable::keyRow(m_rows.size())
                               : Focusable::valueRow(m_rows.size()));
    }
}

void DeeplinkDetailView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous() || !m_deeplink || m_deeplink->title() != newDeeplinkTitle)
        return;
    QLineEdit* title = m_fields[size_t(Focusable::Case::title)];
    title->setFocus(Qt::OtherFocusReason);
    title->selectAll();
}

void DeeplinkDetailView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    save();
}

void DeeplinkDetailView::refresh() {
    const bool live = isEditable();
    m_form->setEnabled(live);
    m_plusButton->setEnabled(live && componentsAreEditable());

    const QUrl url = storedUrl();
    setShownText(m_fields[size_t(Focusable::Case::title)], live ? m_deeplink->title() : QString());
    for (const auto& [which, component] : components)
        setShownText(m_fields[size_t(which)], DeeplinkUrlEditing::fieldText(url, component));
    QLineEdit* urlField = m_fields[size_t(Focusable::Case::url)];
    urlField->setToolTip(urlField->text());

    m_rows = live ? DeeplinkUrlEditing::rows(url) : QList<QueryItem>();
    ensureRowCells(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        setShownText(m_rowCells[i].name, m_rows[i].store.name);
        setShownText(m_rowCells[i].value, m_rows[i].store.value.value_or(QString()));
        m_rowCells[i].name->setEnabled(live);
        m_rowCells[i].value->setEnabled(live);
    }
    m_minusButton->setEnabled(live && componentsAreEditable() && !m_rows.isEmpty());
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
    return isEditable() && (m_deeplink->urlString().isNull() || m_deeplink->url().isValid());
}

QUrl DeeplinkDetailView::storedUrl() const {
    return isEditable() ? m_deeplink->url() : QUrl();
}

void DeeplinkDetailView::store(const QUrl& url) {
    if (isEditable())
        m_deeplink->setUrl(url);
}

void DeeplinkDetailView::titleEdited(const QString& text) {
    m_typing = m_fields[size_t(Focusable::Case::title)];
    if (isEditable())
        m_deeplink->setTitle(text.isNull() ? QStringLiteral("") : text);
}

void DeeplinkDetailView::fieldEdited(QLineEdit* edit, Field field, const QString& text) {
    m_typing = edit;
    if (field == Field::url ? isEditable() : componentsAreEditable())
        store(DeeplinkUrlEditing::withFieldText(storedUrl(), field, text));
}

void DeeplinkDetailView::rowEdited(QLineEdit* edit, qint64 id, bool isName, const QString& text) {
    m_typing = edit;
    if (!componentsAreEditable())
        return;
    if (isName) {
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
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rowCells[i].name == edit) {
            store(DeeplinkUrlEditing::withRowName(storedUrl(), i + 1, QString()));
            return;
        }
    }
}

void DeeplinkDetailView::save() {
    commitPendingEdit();
    if (m_context && m_context->hasChanges())
        m_context->save();
}
