#pragma once

#include "execution/OpenUrlAction.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;
class WindowState;

// Widget of the window's quick open: a bar with a URL field ("Open URL") whose Return fires the
// URL at the selected destination through the open-URL action, without storing it, and an
// "Add to Collection" button that stores it as a new deeplink of the selected collection. The
// URL goes out as typed, only characters that cannot stand in a URL encoded and its variables
// filled from the global ones or the prompt (see Firing); one that is no URL shows why under
// the field and goes nowhere. The last URLs fired here are kept in the settings
// and offered as completions, newest first. Hidden until open(); Escape hides it again.
class QuickOpenBar : public QWidget {
    Q_OBJECT
public:
    static constexpr qsizetype recentLimit = 20;

    QuickOpenBar(WindowState* state, OpenUrlAction openUrl, QWidget* parent = nullptr);

    // Shows the bar and puts the keyboard focus into the field, its text selected.
    void open();
    // Hides the bar and hands the focus back to where it was before open().
    void dismiss();

    // The URLs fired here, newest first, without repeats (from the settings).
    [[nodiscard]] static QStringList recentUrls();

Q_SIGNALS:
    // "Add to Collection" with a URL that can be stored.
    void addToCollectionRequested(const QString& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The field's URL as it goes out, or none (the reason then shows).
    [[nodiscard]] std::optional<QString> url();
    void fire();
    void addToCollection();
    void remember(const QString& url);
    void updateAddButton();

    QPointer<WindowState> m_state;
    OpenUrlAction m_openUrl;
    QPointer<QWidget> m_returnFocus;
    QLineEdit* m_field = nullptr;
    QPushButton* m_addButton = nullptr;
    QLabel* m_problem = nullptr;
    QStringListModel* m_completions = nullptr;
};
