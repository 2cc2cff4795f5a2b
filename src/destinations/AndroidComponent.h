#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Value class for an Android activity as adb's tools print it, "package/class"
// ("com.example.shop/.ProductActivity"), and the reader of `cmd package resolve-activity
// --brief`, which names one.
class AndroidComponent {
public:
    // `text` when it has that shape: a package name, a slash, a class name, no spaces.
    [[nodiscard]] static std::optional<AndroidComponent> parse(QStringView text);

    // The activity that `cmd package resolve-activity --brief` names on its last non-empty line.
    // Nothing for "No activity found", for the system's chooser (no single app would take the
    // intent) and for anything else, such as an Android without `cmd`: in each case no app is
    // known.
    [[nodiscard]] static std::optional<AndroidComponent> resolvedBy(const QString& output);

    [[nodiscard]] const QString& text() const { return m_text; }
    [[nodiscard]] QString package() const { return m_text.left(m_slash); }
    // Android's "which app?" dialog: the system's resolver or chooser, or the intentresolver
    // module's that newer Androids ship instead.
    [[nodiscard]] bool isChooser() const;

private:
    AndroidComponent(QString text, qsizetype slash);

    QString m_text;
    qsizetype m_slash = 0;
};
