#include "QueryModel.h"

#include <QStringView>
#include <algorithm>

QueryModel::QueryModel(const QStringList& headers, Qt::Alignment alignment, QObject* parent)
    : QAbstractTableModel(parent)
    , m_headers(headers)
    , m_alignment(alignment)
{
}

int QueryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int QueryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size()) + 1;
}

QString QueryModel::kind(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).kind : QString();
}

QString QueryModel::text(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    if (column == 0)
        return m_rows.at(row).kind;
    const QString& packed = m_rows.at(row).packed;
    qsizetype start = 0;
    for (int c = 1; c < column; ++c) {
        start = packed.indexOf(kSep, start);
        if (start < 0)
            return QString();
        ++start;
    }
    qsizetype end = packed.indexOf(kSep, start);
    if (end < 0)
        end = packed.size();
    return packed.mid(start, end - start);
}

QStringList QueryModel::cells(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    QStringList out = m_rows.at(row).packed.split(kSep);
    while (out.size() < m_headers.size())
        out << QString();
    return out;
}

// Shares the model's rows: the copy costs nothing until the model changes
// them, and then the model takes a copy of its own.
class QueryModel::Snapshot : public workbook::TableSource
{
public:
    Snapshot(const QStringList& headers, const QVector<Row>& rows)
        : m_headers(headers)
        , m_rows(rows)
    {
    }
    int rowCount() const override { return int(m_rows.size()); }
    int columnCount() const override { return int(m_headers.size()); }
    QString header(int column) const override { return m_headers.value(column); }
    QString text(int row, int column) const override { return cells(row).value(column); }
    QString status(int row) const override { return row < 0 ? QString() : m_rows.at(row).kind; }
    QStringList cells(int row) const override
    {
        QStringList out = m_rows.at(row).packed.split(kSep);
        while (out.size() < m_headers.size())
            out << QString();
        return out;
    }

private:
    const QStringList m_headers;
    const QVector<Row> m_rows;
};

std::shared_ptr<const workbook::TableSource> QueryModel::exportSnapshot() const
{
    return std::make_shared<Snapshot>(m_headers, m_rows);
}

QVariant QueryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columnAlignment.value(index.column(), m_alignment));
    case Qt::BackgroundRole: {
        const auto it = m_colours.constFind(m_rows.at(index.row()).kind);
        return it == m_colours.constEnd() ? QVariant() : QVariant(*it);
    }
    default:
        return {};
    }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return section >= 1 && section <= m_headers.size() ? m_headers.at(section - 1) : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

void QueryModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || m_rows.isEmpty())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QVector<std::pair<QString, int>> keys;
    keys.reserve(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r)
        keys.append({text(r, column), r});
    std::stable_sort(keys.begin(), keys.end(), [order](const auto& a, const auto& b) {
        return order == Qt::AscendingOrder ? a.first < b.first : b.first < a.first;
    });
    QVector<Row> sorted;
    sorted.reserve(m_rows.size());
    QVector<int> newRow(m_rows.size());
    for (int i = 0; i < keys.size(); ++i) {
        sorted.append(std::move(m_rows[keys[i].second]));
        newRow[keys[i].second] = i;
    }
    m_rows = std::move(sorted);
    // The selected row stays selected where it moved to.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& i : before)
        after << index(newRow.value(i.row()), i.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void QueryModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    endResetModel();
}

void QueryModel::append(const QVector<query::ShownRow>& rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (const query::ShownRow& r : rows)
        m_rows.append({r.kind, r.cells.join(kSep)});
    endInsertRows();
}

void QueryModel::setKindColour(const QString& kind, const QColor& colour)
{
    m_colours.insert(kind, colour);
}

void QueryModel::setColumnAlignment(int column, Qt::Alignment alignment)
{
    m_columnAlignment.insert(column, alignment);
}
