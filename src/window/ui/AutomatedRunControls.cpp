#include "window/ui/AutomatedRunControls.h"

#include "execution/AutomatedRun.h"
#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

AutomatedRunControls::AutomatedRunControls(AutomatedRun* run, QWidget* parent)
    : QObject(parent)
    , m_run(run) {
    m_status = new QLabel(parent);
    m_status->setObjectName(QStringLiteral("runStatus"));
    m_status->setAccessibleName(tr("Automated run status"));
    m_status->setFont(TextStyle::font(TextStyle::Style::Callout));
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the longest countdown, so the toolbar does not shift as it counts.
    m_status->setMinimumWidth(
        m_status->fontMetrics().horizontalAdvance(QStringLiteral("Next: 10:00")) + 4);
    QPalette secondary = m_status->palette();
    secondary.setColor(QPalette::WindowText, TextStyle::secondary(parent->palette()));
    m_status->setPalette(secondary);

    m_menu = new QMenu(parent);
    for (const int seconds : AutomatedRun::intervals) {
        QAction* interval = m_menu->addAction(QStringLiteral("%1 Sec").arg(seconds));
        connect(interval, &QAction::triggered, m_run,
                [this, seconds] { m_run->chooseInterval(seconds); });
    }
    m_button = new QToolButton(parent);
    m_button->setObjectName(QStringLiteral("runButton"));
    m_button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_button->setAutoRaise(true);
    connect(m_button, &QToolButton::clicked, m_run, &AutomatedRun::toggle);
    m_button->installEventFilter(this);

    // The status changes every second of a countdown; the button only with the run's state.
    connect(m_run, &AutomatedRun::stateChanged, this, &AutomatedRunControls::updateButton);
    connect(m_run, &AutomatedRun::statusChanged, this, &AutomatedRunControls::updateStatus);
    updateButton();
    updateStatus();
}

bool AutomatedRunControls::eventFilter(QObject* watched, QEvent* event) {
    // Space toggles the run; the arrow half of the button has no key of its own.
    if (watched == m_button && event->type() == QEvent::KeyPress && m_button->menu()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) ||
            key->key() == Qt::Key_F4) {
            m_button->showMenu();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void AutomatedRunControls::updateStatus() {
    const QString status = m_run->statusText();
    m_status->setText(status);
    m_status->setVisible(!status.isEmpty());
}

void AutomatedRunControls::updateButton() {
    if (m_run->state() == StateCase::Running) {
        m_button->setText(QStringLiteral("Stop"));
        m_button->setIcon(SymbolImage::icon(QStringLiteral("pause.fill")));
        m_button->setToolTip(QStringLiteral("Stop automated deeplink testing"));
        m_button->setMenu(nullptr);
        m_button->setPopupMode(QToolButton::DelayedPopup);
    } else {
        m_button->setText(QStringLiteral("Start"));
        m_button->setIcon(SymbolImage::icon(QStringLiteral("play.fill")));
        m_button->setToolTip(QStringLiteral("Start automated deeplink testing"));
        m_button->setMenu(m_menu);
        // A click on the button toggles; its arrow opens the intervals.
        m_button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    m_button->setAccessibleName(m_button->text());
}
