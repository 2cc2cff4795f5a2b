#pragma once

#include "platform/ErrorMessage.h"
#include "toolchain/XcodeViewModel.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

// QObject that runs one choice of Xcode: shows a chooser for one bundle (a file dialog unless
// replaced), has XcodeViewModel bookmark and check the chosen bundle, and tells the outcome:
// chosen() with a bundle that is Xcode, errorOccurred() with why it is not. One chooser is up at
// a time; a cancelled one changes nothing.
class XcodeChooser : public QObject {
    Q_OBJECT
public:
    // Called with the chooser's outcome, or nullopt when the user cancelled it.
    using ChooserReply = std::function<void(std::optional<XcodeViewModel::FileImportResult>)>;
    // Shows a chooser for one bundle and answers through the reply exactly once.
    using FileChooser = std::function<void(QWidget* parent, ChooserReply reply)>;

    explicit XcodeChooser(QObject* parent = nullptr);

    // The chooser used from now on; tests answer it themselves.
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // The chooser of objects created from now on (a null one restores the file dialog).
    static void setDefaultFileChooser(FileChooser chooser);

    [[nodiscard]] XcodeViewModel& viewModel() { return *m_viewModel; }

#ifdef Q_OS_MACOS
    static constexpr bool bundlesAreFilesHere = true;
#else
    static constexpr bool bundlesAreFilesHere = false;
#endif
    // Sets the file dialog up to ask for Xcode. Where the system's dialog shows an application
    // bundle as a file (macOS), it asks for an existing file among "*.app", since a directory
    // chooser there would not let Xcode.app be picked; elsewhere for a directory.
    static void prepareDialog(QFileDialog& dialog, bool bundlesAreFiles = bundlesAreFilesHere);

    // Shows the chooser over `window`, unless one is up already.
    void choose(QWidget* window);

Q_SIGNALS:
    void chosen(const QUrl& bundle);
    void errorOccurred(const ErrorMessage& error);

private:
    void viewModelStateChanged();
    void showChooser();

    XcodeViewModel* m_viewModel = nullptr;
    FileChooser m_chooser;
    QPointer<QWidget> m_window;
    bool m_isChooserShown = false;
};
