#include "workbook/WorkbookExport.h"

#include <QFile>
#include <QHash>
#include <algorithm>

#include <xlsxwriter.h>

namespace workbook {

QString withoutStarMarks(const QString& cell)
{
    const QString text = cell.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('*')) && text.endsWith(QLatin1Char('*')))
        return text.mid(1, text.size() - 2).trimmed();
    return text;
}

QStringList TableSource::cells(int row) const
{
    QStringList out;
    const int columns = columnCount();
    out.reserve(columns);
    for (int c = 0; c < columns; ++c)
        out << text(row, c);
    return out;
}

namespace {

class TableCopy : public TableSource
{
public:
    explicit TableCopy(const TableSource& s)
        : m_headerStatus(s.status(-1))
    {
        const int columns = s.columnCount();
        for (int c = 0; c < columns; ++c)
            m_headers << s.header(c);
        const int rows = s.rowCount();
        m_rows.reserve(rows);
        m_status.reserve(rows);
        for (int r = 0; r < rows; ++r) {
            m_rows << s.cells(r);
            m_status << s.status(r);
        }
    }
    int rowCount() const override { return int(m_rows.size()); }
    int columnCount() const override { return int(m_headers.size()); }
    QString header(int column) const override { return m_headers.value(column); }
    QString text(int row, int column) const override { return m_rows.at(row).value(column); }
    QString status(int row) const override { return row < 0 ? m_headerStatus : m_status.at(row); }
    QStringList cells(int row) const override { return m_rows.at(row); }

private:
    QStringList m_headers;
    QString m_headerStatus;
    QVector<QStringList> m_rows;
    QStringList m_status;
};

} // namespace

std::shared_ptr<const TableSource> snapshotOf(const TableSource& source)
{
    return std::make_shared<TableCopy>(source);
}

std::optional<unsigned> statusFill(const QString& status)
{
    if (status == QLatin1String("0"))
        return 0xCCFFFF; // light turquoise
    if (status == QLatin1String("1"))
        return 0xFFFF99; // light yellow
    if (status == QLatin1String("2"))
        return 0xFFCC99; // tan
    return std::nullopt;
}

void ColumnWidths::add(int column, const QString& text, double fontSize)
{
    if (column < 0)
        return;
    if (m_widths.size() <= column)
        m_widths.resize(column + 1, 0.0);
    if (text.isEmpty())
        return;
    // One unit per character of the default font, two for wide (East Asian)
    // characters, scaled by the font size, plus the cell's margins.
    double units = 0;
    for (const QChar c : text)
        units += c.unicode() >= 0x1100 ? 2.0 : 1.0;
    const double w = std::min(255.0, units * fontSize / 11.0 + 1.0);
    m_widths[column] = std::max(m_widths[column], w);
}

double ColumnWidths::width(int column) const
{
    return column >= 0 && column < m_widths.size() ? m_widths[column] : 0.0;
}

namespace {

// Formats by their three properties, made on first use.
class Formats
{
public:
    explicit Formats(lxw_workbook* wb) : m_wb(wb) {}

    lxw_format* get(bool large, bool left, std::optional<unsigned> fill)
    {
        if (!large && !left && !fill)
            return nullptr;
        const quint64 key = (quint64(large) << 33) | (quint64(left) << 32) | (fill ? quint64(*fill) | (1ull << 34) : 0);
        auto it = m_cache.find(key);
        if (it != m_cache.end())
            return it.value();
        lxw_format* f = workbook_add_format(m_wb);
        if (large)
            format_set_font_size(f, 14);
        if (left)
            format_set_align(f, LXW_ALIGN_LEFT);
        if (fill) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, lxw_color_t(*fill));
        }
        m_cache.insert(key, f);
        return f;
    }

private:
    lxw_workbook* m_wb;
    QHash<quint64, lxw_format*> m_cache;
};

QString errorText(const QString& path, lxw_error e)
{
    return QStringLiteral("The workbook %1 cannot be written: %2").arg(path, QString::fromUtf8(lxw_strerror(e)));
}

} // namespace

bool writeExport(const TableSource& source, SourceKind kind, const ExportOptions& options, const QString& path,
                 QString* error, const std::atomic_bool* stop)
{
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook_options wo{};
    wo.constant_memory = LXW_TRUE; // rows go out in order; keeps 100k-row exports small in memory
    wo.use_zip64 = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(file.constData(), &wo);
    if (!wb) {
        if (error)
            *error = QStringLiteral("The workbook %1 cannot be created.").arg(path);
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    Formats formats(wb);
    lxw_error failed = LXW_NO_ERROR;
    auto check = [&failed](lxw_error e) {
        if (e != LXW_NO_ERROR && failed == LXW_NO_ERROR)
            failed = e;
    };

    const bool grid = kind == SourceKind::Grid;
    const int rows = source.rowCount();
    const int columns = std::max(0, source.columnCount() - (options.dropLastColumn ? 1 : 0));
    if (rows >= 1 && columns >= 1) {
        const bool title = grid && options.titleBlock;
        const bool fills = grid && options.rowColourByStatus;
        const lxw_row_t top = title ? 5 : 0; // the table's header row
        ColumnWidths widths;

        if (title) {
            check(worksheet_write_string(ws, 0, 0, "Component Loading / Changes Record", formats.get(true, false, {})));
            check(worksheet_write_string(ws, 2, 0, ("Project : " + options.project).toUtf8().constData(), nullptr));
            check(worksheet_write_string(ws, 3, 0, ("Part No : " + options.partNo).toUtf8().constData(), nullptr));
        }
        QStringList texts;
        auto writeRow = [&](lxw_row_t sheetRow, int sourceRow) {
            const std::optional<unsigned> fill = fills ? statusFill(source.status(sourceRow)) : std::nullopt;
            const bool header = sourceRow < 0;
            const bool large = grid && header && !title;
            if (!header)
                texts = source.cells(sourceRow);
            for (int c = 0; c < columns; ++c) {
                QString text = header ? source.header(c) : texts.value(c);
                if (!header && c == 0 && options.starFirstColumn)
                    text = QLatin1Char('*') + text + QLatin1Char('*'); // withoutStarMarks reads it back
                const bool left = !grid || c == 0;
                widths.add(c, text, large ? 14.0 : 11.0);
                lxw_format* f = formats.get(large, left, fill);
                if (text.isEmpty())
                    check(f ? worksheet_write_blank(ws, sheetRow, lxw_col_t(c), f) : LXW_NO_ERROR);
                else
                    check(worksheet_write_string(ws, sheetRow, lxw_col_t(c), text.toUtf8().constData(), f));
            }
        };
        writeRow(top, -1);
        worksheet_freeze_panes(ws, top + 1, 0);
        for (int r = 0; r < rows && failed == LXW_NO_ERROR && !stopped(); ++r)
            writeRow(top + 1 + lxw_row_t(r), r);
        for (int c = 0; c < columns; ++c) {
            if (widths.width(c) > 0)
                check(worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), widths.width(c), nullptr));
        }
    }
    const lxw_error closed = workbook_close(wb);
    if (stopped()) {
        QFile::remove(path);
        if (error)
            error->clear();
        return false;
    }
    if (failed == LXW_NO_ERROR)
        failed = closed;
    if (failed != LXW_NO_ERROR) {
        if (error)
            *error = errorText(path, failed);
        return false;
    }
    return true;
}

} // namespace workbook
