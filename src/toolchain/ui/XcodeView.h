#pragma once

#include <QWidget>

class QPushButton;
class XcodeChooser;

// QWidget of the Xcode selection screen: "Select the Xcode path", a "Select Xcode" button that
// opens the chooser for the Xcode bundle (whose outcome the chooser itself reports), and a
// "Continue without Xcode" button for a machine without one.
class XcodeView : public QWidget {
    Q_OBJECT
public:
    explicit XcodeView(XcodeChooser& chooser, QWidget* parent = nullptr);

Q_SIGNALS:
    void continueWithoutXcodeRequested();

private:
    void changeEvent(QEvent* event) override;
    void styleButtons();

    QPushButton* m_selectButton = nullptr;
    QPushButton* m_continueButton = nullptr;
};
