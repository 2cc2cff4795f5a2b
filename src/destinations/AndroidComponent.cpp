#include "destinations/AndroidComponent.h"

#include <QRegularExpression>

AndroidComponent::AndroidComponent(QString text, qsizetype slash)
    : m_text(std::move(text))
    , m_slash(slash) {}

std::optional<AndroidComponent> AndroidComponent::parse(QStringView text) {
    // A class may be nested ("$") and is written relative to the package when it begins with '.'.
    static const QRegularExpression shape(QStringLiteral(
        "^[A-Za-z0-9_]+(\\.[A-Za-z0-9_]+)*/\\.?[A-Za-z0-9_$]+(\\.[A-Za-z0-9_$]+)*$"));
    if (!shape.match(text.toString()).hasMatch())
        return std::nullopt;
    return AndroidComponent(text.toString(), text.indexOf(u'/'));
}

std::optional<AndroidComponent> AndroidComponent::resolvedBy(const QString& output) {
    QStringView last;
    for (const QStringView line : QStringView(output).split(u'\n')) {
        if (!line.trimmed().isEmpty())
            last = line.trimmed();
    }
    std::optional<AndroidComponent> component = parse(last);
    if (component && component->isChooser())
        return std::nullopt;
    return component;
}

bool AndroidComponent::isChooser() const {
    const QStringView package = QStringView(m_text).left(m_slash);
    QStringView name = QStringView(m_text).sliced(m_slash + 1);
    name = name.sliced(name.lastIndexOf(u'.') + 1);
    // Only the system's: an app may call an activity of its own "ChooserActivity".
    return (package == u"android" || package.endsWith(u".intentresolver")) &&
           (name == u"ResolverActivity" || name == u"ChooserActivity");
}
