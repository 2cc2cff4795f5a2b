#include "exchange/ui/ExportSaveDialog.h"

#include "exchange/DeeplinkCollectionFile.h"

#include <QFileDialog>
#include <QFileInfo>

namespace ExportSaveDialog {

std::optional<QString> ask(QWidget* parent, const QString& proposedPath) {
    QFileDialog dialog(parent, QObject::tr("Export Collection"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setMimeTypeFilters(DeeplinkCollectionFile::readableContentTypes());
    dialog.setDefaultSuffix(QStringLiteral("json"));
    const QFileInfo proposed(proposedPath);
    dialog.setDirectory(proposed.absolutePath());
    if (!proposed.fileName().isEmpty())
        dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace ExportSaveDialog
