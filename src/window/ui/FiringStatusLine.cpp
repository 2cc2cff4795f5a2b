#include "window/ui/FiringStatusLine.h"

#include "widgets/OutcomeMark.h"
#include "widgets/TextStyle.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// An alert, the role that AT-SPI screen readers speak when its name changes, without focus.
QAccessibleInterface* statusLineAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("FiringStatusLine") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}

} // namespace

FiringStatusLine::FiringStatusLine(QWidget* parent)
    : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(statusLineAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("firingStatus"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    QPalette line = divider->palette();
    line.setColor(QPalette::WindowText, TextStyle::separator(palette()));
    divider->setPalette(line);
    column->addWidget(divider);
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(6);
    column->addLayout(layout);
    m_mark = new QLabel(this);
    m_mark->setFixedSize(14, 14);
    // The text says it all; the mark is not read on its own.
    m_mark->setAccessibleName(QString());
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("firingStatusText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(TextStyle::font(TextStyle::Style::Callout));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_mark);
    layout->addWidget(m_text, 1);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    hide();
}

QString FiringStatusLine::describe(const QString& url, const FiringOutcome& outcome) {
    QStringList parts{outcome.summary(url)};
    for (const QString& note : outcome.notes)
        parts.append(note.simplified());
    return parts.join(QStringLiteral(" \u00B7 "));
}

void FiringStatusLine::showOutcome(const QString& url, const FiringOutcome& outcome) {
    const QString line = describe(url, outcome);
    m_mark->setPixmap(OutcomeMark::icon(outcome.result).pixmap(14, 14));
    m_text->setText(line);
    m_text->setToolTip(line);
    show();
    // Qt 6.4 has no announcement event: the alert role and a name change are what AT-SPI
    // bridges and screen readers present without moving the focus.
    setAccessibleName(line);
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}
