#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <exception>
#include <variant>

// QObject, the state machine of choosing Xcode (XcodeChooser drives it): the chooser is shown, the
// chosen bundle is bookmarked and checked to really be Xcode, and the outcome is published in
// `state`.
class XcodeViewModel : public QObject {
    Q_OBJECT
public:
    enum class StateKind { Idle, ImportingFile, Verifying, FileImported, ImportError };
    struct State {
        StateKind kind = StateKind::Idle;
        QUrl url; // Verifying, FileImported
        // ImportError: the error's domain and code (when it was an AppError) and description.
        QString errorDomain;
        int errorCode = 0;
        QString errorDescription;

        [[nodiscard]] static State idle() { return {}; }
        [[nodiscard]] static State importingFile() { return with(StateKind::ImportingFile); }
        [[nodiscard]] static State verifying(QUrl url) {
            return with(StateKind::Verifying, std::move(url));
        }
        [[nodiscard]] static State fileImported(QUrl url) {
            return with(StateKind::FileImported, std::move(url));
        }
        [[nodiscard]] static State importError(const std::exception& error);
        bool operator==(const State&) const = default;

    private:
        static State with(StateKind kind, QUrl url = {}) {
            State state;
            state.kind = kind;
            state.url = std::move(url);
            return state;
        }
    };

    // The chooser's outcome: the chosen items, or the error it reported.
    using FileImportResult = std::variant<QList<QUrl>, std::exception_ptr>;

    static constexpr QStringView errorDomain = u"XcodeViewModel";
    enum ErrorCode { NoFileURL = 0, InvalidBinary = 1 };

    explicit XcodeViewModel(QObject* parent = nullptr);

    [[nodiscard]] State state() const { return m_state; }
    // XcodeChooser sets ImportingFile to show the chooser, and Idle when it was cancelled.
    void setState(State state);

    // Takes the first chosen item: bookmarks it, then checks it off the GUI thread
    // (Verifying), ending in FileImported or ImportError ("Invalid binary").
    QCoro::Task<> handleFileImport(FileImportResult result);

    // Whether `bundle` has a Contents/Info.plist whose CFBundleIdentifier is exactly
    // "com.apple.dt.Xcode". Reads the file: keep it off the GUI thread.
    [[nodiscard]] static bool isXcode(const QUrl& bundle);

Q_SIGNALS:
    void stateChanged();

private:
    State m_state;
    // Counts imports, so that a check finishing after a newer choice is dropped.
    quint64 m_importGeneration = 0;
};
