#pragma once

#include "widgets/Binding.h"

#include <QDialog>

class CreateDeeplinkCollectionMetaDataView;
class DeeplinkCollection;
class ManagedObjectContext;
class QTabWidget;

// The collection editor sheet: a window-modal QDialog with two tabs (a QTabWidget), "Create" (a new
// empty collection) and "Import" (collections from exchange files). Each opening is a new dialog,
// so nothing typed is remembered. With a navigation title (the first-use sheet) the title heads the
// sheet. Closing it by any means finishes the dialog.
class AddDeeplinkCollectionView : public QDialog {
    Q_OBJECT
public:
    enum class TabType { Create, Import };
    [[nodiscard]] static QString rawValue(TabType tab);

    AddDeeplinkCollectionView(ManagedObjectContext* context, QWidget* parent,
                              const QString& navigationTitle = {});

    // Opens the editor of `collection` as a sheet over `window`, gone once closed.
    static AddDeeplinkCollectionView* openEditor(ManagedObjectContext* context,
                                                 DeeplinkCollection* collection, QWidget* window);

    // Turns the sheet into the editor of `collection`: "Create" alone, starting from it.
    void editCollection(DeeplinkCollection* collection);
    // Puts the focus on the environments, adding the first one when there is none.
    void showEnvironments();

    [[nodiscard]] QString navigationTitle() const { return m_navigationTitle; }
    [[nodiscard]] TabType tabType() const;
    void setTabType(TabType tab);

    // Reads whether the sheet is shown; writing false closes it (what the tabs use).
    [[nodiscard]] Binding<bool> isPresented();

private:
    // The content of the "Import" tab.
    QWidget* makeImportView(ManagedObjectContext* context);

    QString m_navigationTitle;
    QTabWidget* m_tabs = nullptr;
    CreateDeeplinkCollectionMetaDataView* m_createView = nullptr;
    QWidget* m_importView = nullptr;
};
