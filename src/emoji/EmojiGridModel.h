#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Several titled sections of emoji laid out as one table: each section is a header row
// followed by rows of `columnCount` emoji. A table lets the view build only the rows in
// sight, however long the catalogue.
class EmojiGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Section {
        QString id;                        // what scrolling and tracking name it by
        QString title;                     // header text
        QStringList texts;                 // the emoji shown, in order
        std::function<void(int)> activate; // called with the index of a tapped emoji
    };

    enum Roles {
        IsHeaderRole = Qt::UserRole + 1, // bool: the row is a section header
        SectionIdRole,                   // QString: id of the cell's section
        ItemIndexRole,                   // int: index of the emoji within its section, or -1
    };

    explicit EmojiGridModel(int columnCount, QObject* parent = nullptr);

    void setSections(QList<Section> sections);
    // What assistive technology reads for an emoji (its name); the emoji itself without one.
    void setAccessibleName(std::function<QString(const QString& emoji)> name) {
        m_accessibleName = std::move(name);
    }
    [[nodiscard]] const QList<Section>& sections() const { return m_sections; }

    // Table rows taken by section `index`: its header row and the count of rows after it.
    [[nodiscard]] int headerRow(int section) const { return m_headerRows.at(section); }
    [[nodiscard]] int rowSpan(int section) const;
    [[nodiscard]] int sectionOfId(const QString& id) const;
    [[nodiscard]] bool isHeaderRow(int row) const;

    // Calls the section's action for the emoji at `index`; false when it holds none.
    bool activate(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // None: the grid hides its headers, which would otherwise read as row and column numbers.
    QVariant headerData(int, Qt::Orientation, int) const override { return {}; }
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Location {
        int section = -1;
        int item = -1; // -1: header or empty cell
    };
    [[nodiscard]] Location locate(int row, int column) const;

    int m_columnCount;
    QList<Section> m_sections;
    QList<int> m_headerRows;
    int m_rowCount = 0;
    std::function<QString(const QString&)> m_accessibleName;
};
