#pragma once

#include <QString>

#include <functional>
#include <optional>

class DeeplinkCollection;

// Exports one collection to a JSON file the user picks: the save dialog proposes the
// collection's name, the document is written atomically, and the outcome (the file's
// location or the error) goes to standard output only. Or to a path given beforehand.
class DeeplinkCollectionExporter {
public:
    // Shows a save dialog proposing `proposedPath` (a JSON file name in a directory); gives the
    // chosen path, or nothing when the user cancelled.
    using SaveDialog = std::function<std::optional<QString>(const QString& proposedPath)>;

    struct Outcome {
        enum class Kind { Cancelled, Written, Failed };
        Kind kind = Kind::Cancelled;
        QString path{};  // the written file
        QString error{}; // the failure's description
        // The line written to standard output (empty when cancelled).
        [[nodiscard]] QString text() const;
    };

    // Asks where to export `collection` through `dialog`, writes the file and prints the
    // outcome.
    static Outcome exportCollection(const DeeplinkCollection& collection, const SaveDialog& dialog);
    // Writes `collection` to `path` without asking and without printing: Written or Failed.
    static Outcome exportCollection(const DeeplinkCollection& collection, const QString& path);

    // The file name proposed for `collection`: its name with ".json", path separators
    // replaced; "" when it has no name.
    [[nodiscard]] static QString proposedFileName(const DeeplinkCollection& collection);
};
