#pragma once

#include "query/Query.h"
#include "workbook/WorkbookExport.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QVector>

// The rows a query screen shows, held as compactly as their texts allow so
// that a long result costs no more than its text. Column 0 is the row's
// hidden kind (a grid's result kind, a list's row kind); the shown cells
// follow from column 1.
class QueryModel : public QAbstractTableModel, public workbook::SnapshotModel
{
    Q_OBJECT

public:
    QueryModel(const QStringList& headers, Qt::Alignment alignment, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Orders the rows by the column's text; an empty text sorts first.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void clear();
    void append(const QVector<query::ShownRow>& rows);

    // Background of every cell of a row of the kind.
    void setKindColour(const QString& kind, const QColor& colour);
    // A column with an alignment of its own.
    void setColumnAlignment(int column, Qt::Alignment alignment);

    QString kind(int row) const;
    // Column counted as the model counts (0 is the kind).
    QString text(int row, int column) const;
    // The shown cells of a row (columns 1 on).
    QStringList cells(int row) const;

    // The rows as they are now, for an export written on another thread:
    // taken in one step whatever their number, unchanged by what the model
    // does afterwards.
    std::shared_ptr<const workbook::TableSource> exportSnapshot() const override;

private:
    struct Row
    {
        QString kind;
        QString packed; // the shown cells joined by kSep
    };
    static constexpr QChar kSep = QChar(0x1F);
    class Snapshot;

    QStringList m_headers;
    Qt::Alignment m_alignment;
    QHash<int, Qt::Alignment> m_columnAlignment;
    QHash<QString, QColor> m_colours;
    QVector<Row> m_rows;
};
