#pragma once

#include "platform/ErrorMessage.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class AutomaticChecksBox;
class QLabel;
class QPushButton;
class VariableTable;
class XcodeBookmarkManager;
class XcodeChooser;

// The Preferences window (a modeless QDialog): the Xcode in use ("None" without one) with
// "Choose…", the adb Kestrine finds with "Choose…" and "Use Default", and automatic update
// checks, and the global variables every firing may use (VariableTable). Every change is
// stored at once; choosing Xcode goes through the app's one chooser.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for one program file; nothing when the user cancelled.
    using ProgramChooser = std::function<std::optional<QString>(QWidget* parent)>;

    PreferencesDialog(XcodeBookmarkManager& xcode, XcodeChooser& chooser,
                      QWidget* parent = nullptr);

    // Replaces the file dialog that "Choose…" opens for adb (tests answer it themselves).
    void setAdbChooser(ProgramChooser chooser) { m_adbChooser = std::move(chooser); }

Q_SIGNALS:
    // A chosen adb that is no program; the app shows it in its error alert.
    void errorOccurred(const ErrorMessage& error);
    // Another adb is stored (chosen or back to the default): the destinations are stale.
    void adbChanged();

private:
    void showXcode();
    void showAdb();
    void chooseAdb();
    void useDefaultAdb();

    XcodeBookmarkManager& m_xcode;
    ProgramChooser m_adbChooser;
    QLabel* m_xcodePath = nullptr;
    QPushButton* m_chooseXcode = nullptr;
    QLabel* m_adbPath = nullptr;
    QPushButton* m_chooseAdb = nullptr;
    QPushButton* m_defaultAdb = nullptr;
    AutomaticChecksBox* m_automaticChecks = nullptr;
    VariableTable* m_variables = nullptr;
};
