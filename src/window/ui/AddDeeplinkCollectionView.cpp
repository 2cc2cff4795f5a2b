#include "window/ui/AddDeeplinkCollectionView.h"

#include "exchange/ui/ImportDeeplinkCollectionsView.h"
#include "window/ui/CreateDeeplinkCollectionMetaDataView.h"
#include "window/ui/EnvironmentsEditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

QString AddDeeplinkCollectionView::rawValue(TabType tab) {
    return tab == TabType::Create ? QStringLiteral("create") : QStringLiteral("import");
}

AddDeeplinkCollectionView::AddDeeplinkCollectionView(ManagedObjectContext* context, QWidget* parent,
                                                     const QString& navigationTitle)
    : QDialog(parent)
    , m_navigationTitle(navigationTitle) {
    setWindowModality(Qt::WindowModal);
    setWindowTitle(navigationTitle.isEmpty() ? tr("Add collection") : navigationTitle);
    setAccessibleName(windowTitle());

    auto* layout = new QVBoxLayout(this);
    if (!navigationTitle.isEmpty()) {
        auto* title = new QLabel(navigationTitle, this);
        QFont headline = title->font();
        headline.setBold(true);
        headline.setPointSizeF(headline.pointSizeF() * 1.15);
        title->setFont(headline);
        title->setAlignment(Qt::AlignCenter);
        layout->addWidget(title);
    }

    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(false);
    m_tabs->setAccessibleName(windowTitle());
    m_createView = new CreateDeeplinkCollectionMetaDataView(context, isPresented(), m_tabs);
    m_createView->setObjectName(QStringLiteral("createCollection"));
    m_importView = makeImportView(context);
    m_importView->setObjectName(QStringLiteral("importCollections"));
    for (QWidget* page : {static_cast<QWidget*>(m_createView), m_importView}) {
        page->setMinimumSize(488, 200);
        const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
        if (page->layout())
            page->layout()->setContentsMargins(margin, margin, margin, margin);
    }
    m_tabs->addTab(m_createView, tr("Create"));
    m_tabs->addTab(m_importView, tr("Import"));
    layout->addWidget(m_tabs);

    // Each tab has its own default button, but a dialog honours only one: Return follows the
    // tab in front.
    QPointer<QPushButton> importDefault;
    for (QPushButton* button : m_importView->findChildren<QPushButton*>()) {
        if (button->isDefault())
            importDefault = button;
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, [this, importDefault](int index) {
        if (index == 0)
            m_createView->addButton()->setDefault(true);
        else if (importDefault)
            importDefault->setDefault(true);
    });
    m_createView->addButton()->setDefault(true);
    setTabType(TabType::Create);
    m_createView->nameField()->setFocus();
}

AddDeeplinkCollectionView* AddDeeplinkCollectionView::openEditor(ManagedObjectContext* context,
                                                                 DeeplinkCollection* collection,
                                                                 QWidget* window) {
    auto* sheet = new AddDeeplinkCollectionView(context, window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->editCollection(collection);
    sheet->open();
    return sheet;
}

void AddDeeplinkCollectionView::showEnvironments() {
    EnvironmentsEditor* environments = m_createView->environmentsEditor();
    if (environments->list()->count() == 0)
        environments->addEnvironment();
    else
        environments->list()->setFocus();
}

void AddDeeplinkCollectionView::editCollection(DeeplinkCollection* collection) {
    setWindowTitle(tr("Edit collection"));
    setAccessibleName(windowTitle());
    m_tabs->setAccessibleName(windowTitle());
    setTabType(TabType::Create);
    m_tabs->tabBar()->hide();
    m_createView->editCollection(collection);
}

AddDeeplinkCollectionView::TabType AddDeeplinkCollectionView::tabType() const {
    return m_tabs->currentIndex() == 1 ? TabType::Import : TabType::Create;
}

void AddDeeplinkCollectionView::setTabType(TabType tab) {
    m_tabs->setCurrentIndex(tab == TabType::Import ? 1 : 0);
}

Binding<bool> AddDeeplinkCollectionView::isPresented() {
    QPointer<AddDeeplinkCollectionView> self(this);
    return Binding<bool>([self] { return self && self->isVisible(); },
                         [self](bool shown) {
                             if (self && !shown)
                                 self->done(QDialog::Accepted);
                             else if (self && shown)
                                 self->open();
                         });
}

QWidget* AddDeeplinkCollectionView::makeImportView(ManagedObjectContext* context) {
    // A finished import closes the whole sheet.
    return new ImportDeeplinkCollectionsView(
        context, [presented = isPresented()] { presented.set(false); }, m_tabs);
}
