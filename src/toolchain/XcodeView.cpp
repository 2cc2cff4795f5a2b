#include "toolchain/XcodeView.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

XcodeView::XcodeView(Completion completion, QWidget* parent)
    : QWidget(parent)
    , m_completion(std::move(completion))
{
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* label = new QLabel(tr("Select the Xcode path"), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    auto* button = new QPushButton(tr("Select Xcode"), this);
    layout->addWidget(button, 0, Qt::AlignCenter);
    layout->addStretch();
    connect(button, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getExistingDirectory(this, tr("Select Xcode"));
        if (!path.isEmpty() && m_completion)
            m_completion(QUrl::fromLocalFile(path));
    });
}
