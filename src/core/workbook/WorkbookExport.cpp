#include "workbook/WorkbookExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <unzip.h>
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

QString errorText(const QString& path, const QString& reason)
{
    return QStringLiteral("The workbook %1 cannot be written: %2").arg(path, reason);
}

bool diskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

// The sheet's rows until the workbook is put together. With rows written
// one after the other the library keeps them in a temporary file that it
// closes only once it has copied them into the package: a failure before
// that, or a sheet without rows, left the deleted file open, and its disk
// space taken, until the program ended, and the library ignores a write to
// it that fails. This file takes the place of the library's own: its writes
// are checked, and it is closed here on every road.
class RowFile
{
public:
    // In the folder, with no name: nothing is left behind whatever happens.
    explicit RowFile(const QString& folder)
    {
        const QByteArray dir = QFile::encodeName(folder);
        m_fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            // A file system without unnamed files: named for an instant.
            QByteArray name = dir + "/TROVA_rows_XXXXXX";
            m_fd = ::mkostemp(name.data(), O_CLOEXEC);
            if (m_fd >= 0)
                ::unlink(name.constData());
        }
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        const cookie_io_functions_t io{&RowFile::read, &RowFile::write, &RowFile::seek, &RowFile::close};
        m_file = ::fopencookie(this, "w+", io);
        if (!m_file) {
            m_error = errno;
            ::close(m_fd);
            m_closed = true;
        }
    }
    ~RowFile() { release(); }
    RowFile(const RowFile&) = delete;
    RowFile& operator=(const RowFile&) = delete;

    FILE* file() const { return m_file; }
    // Why a write, or the file itself, failed; 0 when none did.
    int error() const { return m_error; }
    qint64 written() const { return m_written; }
    // Closes the file unless the library did.
    void release()
    {
        if (m_file && !m_closed)
            std::fclose(m_file);
        m_file = nullptr;
    }

private:
    static ssize_t read(void* self, char* buffer, size_t size)
    {
        const auto* f = static_cast<RowFile*>(self);
        ssize_t n;
        do
            n = ::read(f->m_fd, buffer, size);
        while (n < 0 && errno == EINTR);
        return n;
    }
    static ssize_t write(void* self, const char* buffer, size_t size)
    {
        auto* f = static_cast<RowFile*>(self);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(f->m_fd, buffer + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (!f->m_error)
                    f->m_error = n < 0 ? errno : ENOSPC;
                break;
            }
            done += size_t(n);
        }
        f->m_written += qint64(done);
        return ssize_t(done);
    }
    static int seek(void* self, off64_t* offset, int whence)
    {
        const off64_t at = ::lseek64(static_cast<RowFile*>(self)->m_fd, *offset, whence);
        if (at < 0)
            return -1;
        *offset = at;
        return 0;
    }
    static int close(void* self)
    {
        auto* f = static_cast<RowFile*>(self);
        f->m_closed = true;
        return ::close(f->m_fd);
    }

    int m_fd = -1;
    FILE* m_file = nullptr;
    bool m_closed = false;
    int m_error = 0;
    qint64 m_written = 0;
};

// The unpacked size of the written sheet; -1 when it cannot be read.
qint64 sheetBytes(const QString& path)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return -1;
    qint64 size = -1;
    unz_file_info64 info{};
    if (unzLocateFile(zip, "xl/worksheets/sheet1.xml", 1) == UNZ_OK
        && unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK)
        size = qint64(info.uncompressed_size);
    unzClose(zip);
    return size;
}

} // namespace

bool writeExport(const TableSource& source, SourceKind kind, const ExportOptions& options, const QString& path,
                 QString* error, const std::atomic_bool* stop)
{
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    const QByteArray file = QFile::encodeName(path);
    // The library's temporary files go beside the workbook, on the disk the
    // user is told of when it fills.
    const QString folder = QFileInfo(path).absolutePath();
    QByteArray tmpdir = QFile::encodeName(folder);
    lxw_workbook_options wo{};
    wo.constant_memory = LXW_TRUE; // rows go out in order; keeps 100k-row exports small in memory
    wo.use_zip64 = LXW_TRUE;
    wo.tmpdir = tmpdir.data();
    RowFile rowFile(folder);
    if (!rowFile.file()) {
        QFile::remove(path);
        if (error)
            *error = errorText(path, QString::fromLocal8Bit(std::strerror(rowFile.error())));
        return false;
    }
    lxw_workbook* wb = workbook_new_opt(file.constData(), &wo);
    if (!wb) {
        QFile::remove(path);
        if (error)
            *error = QStringLiteral("The workbook %1 cannot be created.").arg(path);
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    // The library writes the rows through the sheet's file, which is its
    // temporary file until the sheet is put together.
    if (ws->optimize_tmpfile) {
        if (ws->file == ws->optimize_tmpfile)
            ws->file = rowFile.file();
        std::fclose(ws->optimize_tmpfile);
        ws->optimize_tmpfile = rowFile.file();
    }
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
    // Putting the sheet together copies its rows, beside them: without room
    // for the copy it would come out cut, so it is not tried.
    std::fflush(rowFile.file());
    struct statvfs disk{};
    const bool noRoom = !stopped() && failed == LXW_NO_ERROR && !rowFile.error()
                        && ::statvfs(tmpdir.constData(), &disk) == 0
                        && qint64(disk.f_bavail) * qint64(disk.f_frsize) < rowFile.written();
    errno = 0;
    lxw_error closed = LXW_NO_ERROR;
    if (noRoom)
        lxw_workbook_free(wb);
    else
        closed = workbook_close(wb);
    const int closeErrno = errno;
    rowFile.release();
    if (stopped()) {
        QFile::remove(path);
        if (error)
            error->clear();
        return false;
    }
    if (failed == LXW_NO_ERROR)
        failed = closed;
    // A workbook not written whole goes at once: nothing would ever remove it.
    // The reason, or none for a full disk.
    QString reason;
    const int rowsError = noRoom ? ENOSPC : rowFile.error();
    if (rowsError) {
        if (!diskFull(rowsError))
            reason = QString::fromLocal8Bit(std::strerror(rowsError));
    } else if (failed != LXW_NO_ERROR) {
        // The library's own file failures leave the system's reason behind.
        const bool fileFailure = failed == LXW_ERROR_ZIP_FILE_OPERATION || failed == LXW_ERROR_CREATING_TMPFILE
                                 || failed == LXW_ERROR_CREATING_XLSX_FILE || failed == LXW_ERROR_ZIP_INTERNAL_ERROR;
        if (!fileFailure || !diskFull(closeErrno))
            reason = QString::fromUtf8(lxw_strerror(failed));
    } else if (sheetBytes(path) < rowFile.written()) {
        // The library ignores a failed write of the sheet it puts together.
        reason = QStringLiteral("its sheet could not be put together whole in %1.")
                     .arg(QDir::toNativeSeparators(folder));
    } else {
        return true;
    }
    QFile::remove(path);
    if (error) {
        *error = errorText(path, reason.isEmpty() ? QStringLiteral("the disk of the folder %1 is full.")
                                                        .arg(QDir::toNativeSeparators(folder))
                                                  : reason);
    }
    return false;
}

} // namespace workbook
