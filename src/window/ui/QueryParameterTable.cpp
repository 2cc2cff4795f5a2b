#include "window/ui/QueryParameterTable.h"

#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"
#include "window/ui/PlaceholderLineEdit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QColor mixed(const QColor& a, const QColor& b, qreal amountOfB) {
    return QColor::fromRgbF(float(a.redF() * (1 - amountOfB) + b.redF() * amountOfB),
                            float(a.greenF() * (1 - amountOfB) + b.greenF() * amountOfB),
                            float(a.blueF() * (1 - amountOfB) + b.blueF() * amountOfB));
}

// The grey behind the header and footer, a shade off the window colour in light and dark
// palettes alike.
QColor underPageColor(const QPalette& palette) {
    return mixed(palette.color(QPalette::Window), palette.color(QPalette::WindowText), 0.07);
}

// The rows, drawn in alternating bands as an inset table.
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

QueryParameterTable::QueryParameterTable(QWidget* tabFrom, QWidget* parent)
    : QWidget(parent)
    , m_tabFrom(tabFrom) {
    setObjectName(QStringLiteral("parameters"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel(tr("Query Parameters"), this);
    header->setContentsMargins(5, 5, 5, 5);
    header->setIndent(3);
    QFont headerFont = header->font();
    headerFont.setBold(true);
    header->setFont(headerFont);
    layout->addWidget(header);
    m_header = header;

    // Column titles, aligned with the text inside the cells below (the rows' margins of 6 on
    // each side plus the cells' own text margin of 4).
    auto* columns = new QWidget(this);
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

    m_scroll = new QScrollArea(this);
    m_scroll->setAccessibleName(tr("Query parameters"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setMinimumHeight(90);
    m_rows = new ParameterRows(&m_rowsLayout, m_scroll);
    m_scroll->setWidget(m_rows);
    // setWidget() turns background filling on; the table's base colour shows through instead.
    m_rows->setAutoFillBackground(false);
    layout->addWidget(m_scroll, 1);

    m_footer = new QWidget(this);
    auto* footerLayout = new QHBoxLayout(m_footer);
    footerLayout->setContentsMargins(8, 8, 8, 8);
    footerLayout->setSpacing(4);
    m_plus = symbolButton(QStringLiteral("plus"), tr("Add Parameter"), m_footer);
    m_minus = symbolButton(QStringLiteral("minus"), tr("Remove Last Parameter"), m_footer);
    footerLayout->addWidget(m_plus);
    footerLayout->addWidget(m_minus);
    footerLayout->addStretch(1);
    layout->addWidget(m_footer);

    connect(m_plus, &QToolButton::clicked, this, &QueryParameterTable::addRowClicked);
    connect(m_minus, &QToolButton::clicked, this, &QueryParameterTable::removeLastRowClicked);
}

void QueryParameterTable::setRowCount(qsizetype count) {
    m_count = count;
    while (m_cells.size() < count) {
        const qint64 id = m_cells.size() + 1;
        RowCells cells;
        for (bool isName : {true, false}) {
            auto* edit = new PlaceholderLineEdit(m_rows);
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
            const Focusable row{isName ? Focusable::Kind::KeyRow : Focusable::Kind::ValueRow, id};
            connect(edit, &QLineEdit::textEdited, this,
                    [this, edit, row](const QString& text) { Q_EMIT cellEdited(edit, row, text); });
            connect(edit, &QLineEdit::editingFinished, this,
                    [this, edit] { Q_EMIT cellEditingFinished(edit); });
            m_rowsLayout->addWidget(edit, int(id), isName ? 0 : 1);
            (isName ? cells.name : cells.value) = edit;
        }
        m_cells.append(cells);
    }
    for (qsizetype i = 0; i < m_cells.size(); ++i) {
        // Hidden, not deleted: the cell may be the one whose signal got us here.
        m_cells[i].name->setVisible(i < count);
        m_cells[i].value->setVisible(i < count);
    }
    QWidget* previous = m_tabFrom;
    for (qsizetype i = 0; i < count; ++i) {
        QWidget::setTabOrder(previous, m_cells[i].name);
        QWidget::setTabOrder(m_cells[i].name, m_cells[i].value);
        previous = m_cells[i].value;
    }
    QWidget::setTabOrder(previous, m_plus);
    QWidget::setTabOrder(m_plus, m_minus);
    m_rows->update();
}

QLineEdit* QueryParameterTable::cell(const Focusable& focus) const {
    if (!focus.isRow() || focus.row < 1 || focus.row > m_count)
        return nullptr;
    const RowCells& cells = m_cells[focus.row - 1];
    return focus.kind == Focusable::Kind::KeyRow ? cells.name : cells.value;
}

Focusable QueryParameterTable::focusOf(const QWidget* widget) const {
    for (qsizetype i = 0; i < m_count; ++i) {
        if (m_cells[i].name == widget)
            return {Focusable::Kind::KeyRow, i + 1};
        if (m_cells[i].value == widget)
            return {Focusable::Kind::ValueRow, i + 1};
    }
    return {};
}

void QueryParameterTable::setButtonsEnabled(bool plus, bool minus) {
    m_plus->setEnabled(plus);
    m_minus->setEnabled(minus);
}

void QueryParameterTable::ensureVisible(QLineEdit* cell) {
    // After the new row is laid out, not before.
    QTimer::singleShot(0, cell, [this, cell] { m_scroll->ensureWidgetVisible(cell); });
}

void QueryParameterTable::paintEvent(QPaintEvent*) {
    // A rounded rectangle whose header and footer bands sit on the under-page colour, with the
    // rows on the base colour between them.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(bounds, 8, 8);
    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    for (QWidget* band : {m_header, m_footer})
        painter.fillRect(band->geometry(), underPageColor(palette()));
    painter.setPen(TextStyle::separator(palette()));
    painter.drawLine(QPointF(0, m_header->geometry().bottom() + 0.5),
                     QPointF(width(), m_header->geometry().bottom() + 0.5));
    painter.drawLine(QPointF(0, m_footer->geometry().top() - 0.5),
                     QPointF(width(), m_footer->geometry().top() - 0.5));
    painter.restore();
    painter.setPen(TextStyle::separator(palette()));
    painter.drawPath(outline);
}
