#pragma once

#include <QString>

#include <optional>

class QWidget;

// One function that shows a QFileDialog, the platform's save dialog, for an exported collection
// (JSON only): the exporter's default.
namespace ExportSaveDialog {

// Proposes `proposedPath`; gives the chosen path, or nothing when the user cancelled.
[[nodiscard]] std::optional<QString> ask(QWidget* parent, const QString& proposedPath);

} // namespace ExportSaveDialog
