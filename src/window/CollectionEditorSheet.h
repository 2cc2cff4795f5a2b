#pragma once

#include <QDialog>

// The window-modal sheet that holds the collection editor. With a navigation title (the
// first-use sheet) the title heads the sheet. Closing it by any means finishes the dialog.
class CollectionEditorSheet : public QDialog {
    Q_OBJECT
public:
    explicit CollectionEditorSheet(QWidget* parent, const QString& navigationTitle = {});

    [[nodiscard]] QString navigationTitle() const { return m_navigationTitle; }

private:
    QString m_navigationTitle;
};
