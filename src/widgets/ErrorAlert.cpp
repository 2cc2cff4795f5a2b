#include "widgets/ErrorAlert.h"

#include <QLabel>
#include <QMessageBox>

namespace {

// A tool may fail with megabytes of text on standard error, and a label laid out with all of
// it takes seconds and grows the alert past the screen. The alert shows the beginning; error()
// keeps the whole text.
QString alertText(const QString& message) {
    constexpr qsizetype maximumCharacters = 800;
    constexpr int maximumLines = 12;
    qsizetype end = qMin(message.size(), maximumCharacters);
    int lines = 0;
    for (qsizetype i = 0; i < end; ++i) {
        if (message.at(i) == u'\n' && ++lines == maximumLines) {
            end = i;
            break;
        }
    }
    if (QStringView(message).sliced(end).trimmed().isEmpty())
        return message;
    if (end > 0 && message.at(end - 1).isHighSurrogate())
        --end;
    return message.left(end) + u'…';
}

} // namespace

ErrorAlert::ErrorAlert(QWidget* window, QObject* parent)
    : QObject(parent)
    , m_window(window) {}

void ErrorAlert::setError(std::optional<ErrorMessage> error) {
    if (error == m_error)
        return;
    m_error = std::move(error);
    if (!m_error) {
        if (m_box)
            m_box->close();
        return;
    }
    if (m_box) {
        m_box->setInformativeText(alertText(m_error->value));
        return;
    }
    // "Error" heads the alert as well as titling it: macOS shows no title on alerts, and
    // without a window manager nothing does.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Error"),
                                QStringLiteral("Error"), QMessageBox::NoButton, m_window);
    box->setInformativeText(alertText(m_error->value));
    if (auto* heading = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
    }
    box->addButton(QStringLiteral("Okay"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    // A closed box lives on until its deferred deletion; an error arriving meanwhile must not
    // go into it. Deleting the window takes the box without finishing it.
    connect(box, &QMessageBox::finished, this, [this, box] { dismissed(box); });
    connect(box, &QObject::destroyed, this, [this, box] { dismissed(box); });
    m_box = box;
    box->open();
}

void ErrorAlert::dismissed(QMessageBox* box) {
    disconnect(box, nullptr, this, nullptr);
    m_box = nullptr;
    m_error.reset();
}
