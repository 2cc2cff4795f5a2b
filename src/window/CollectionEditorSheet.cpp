#include "window/CollectionEditorSheet.h"

#include "window/TextStyle.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CollectionEditorSheet::CollectionEditorSheet(QWidget* parent, const QString& navigationTitle)
    : QDialog(parent)
    , m_navigationTitle(navigationTitle) {
    setWindowModality(Qt::WindowModal);
    setWindowTitle(navigationTitle.isEmpty() ? QStringLiteral("Add collection") : navigationTitle);
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);
    if (!navigationTitle.isEmpty()) {
        auto* title = new QLabel(navigationTitle, this);
        title->setFont(TextStyle::font(TextStyle::Style::Headline));
        title->setAlignment(Qt::AlignCenter);
        layout->addWidget(title);
    }

    // Stands in for the collection editor until it is part of the window.
    auto* pending =
        new QLabel(tr("Creating collections is not available in this build yet."), this);
    pending->setWordWrap(true);
    pending->setAlignment(Qt::AlignCenter);
    pending->setMinimumSize(488, 200);
    layout->addWidget(pending, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
