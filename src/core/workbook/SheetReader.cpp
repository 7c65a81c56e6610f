#include "workbook/SheetReader.h"

#include "workbook/Workbook.h"

#include <QFile>
#include <QLocale>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <freexl.h>

namespace workbook {

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0"); // also -0
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString sheetTextTooLarge()
{
    return QStringLiteral("The sheet is too large: its cells hold more than %1 characters of text.")
        .arg(kMaxSheetChars);
}

QString cellName(int row, int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

int openRegularFile(const QString& path, QString* reason)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = QStringLiteral("It cannot be opened: %1.").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *reason = QStringLiteral("It is not a regular file.");
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        *reason = QStringLiteral("It cannot be read: %1.").arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return -1;
    }
    return fd;
}

QString descriptorPath(int fd)
{
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

namespace {

// A descriptor closed when it goes.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct XlsHandle
{
    const void* handle = nullptr;
    ~XlsHandle()
    {
        if (handle)
            freexl_close(handle);
    }
};

} // namespace

QString readXlsCells(const QString& path, const CellSink& sink)
{
    QString reason;
    const Descriptor file{openRegularFile(path, &reason)};
    if (file.fd < 0)
        return reason;
    // The library opens a name itself: it gets the file already checked.
    XlsHandle h;
    const int rc = freexl_open(QFile::encodeName(descriptorPath(file.fd)).constData(), &h.handle);
    if (rc != FREEXL_OK) {
        h.handle = nullptr;
        return QStringLiteral("It is no .xls workbook that can be read (code %1).").arg(rc);
    }
    unsigned int sheets = 0;
    if (freexl_get_info(h.handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0
        || freexl_select_active_worksheet(h.handle, 0) != FREEXL_OK)
        return QStringLiteral("Its first sheet cannot be read.");
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (freexl_worksheet_dimensions(h.handle, &rowCount, &columnCount) != FREEXL_OK)
        return QStringLiteral("The size of its first sheet cannot be read.");
    if (rowCount > unsigned(kMaxRows) || columnCount > kMaxColumns)
        return QStringLiteral("Its first sheet declares %1 rows and %2 columns, more than a sheet holds.")
            .arg(rowCount)
            .arg(columnCount);
    qint64 chars = 0;
    for (unsigned int r = 0; r < rowCount; ++r) {
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h.handle, r, c, &v) != FREEXL_OK)
                continue;
            QString text;
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = QString::number(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = numberText(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = trimBlanks(QString::fromUtf8(v.value.text_value));
                break;
            default:
                break;
            }
            if (text.size() > kMaxCellChars)
                return QStringLiteral("The cell %1 holds more than %2 characters.")
                    .arg(cellName(int(r), c))
                    .arg(kMaxCellChars);
            chars += text.size();
            if (chars > kMaxSheetChars)
                return sheetTextTooLarge();
            if (!text.isEmpty())
                sink(int(r), c, text);
        }
    }
    return QString();
}

QString readSheetCells(const QString& path, const CellSink& sink)
{
    // What is no regular file is refused before anything reads it; the
    // readers then open this very file again, whatever takes its name.
    QString reason;
    const Descriptor file{openRegularFile(path, &reason)};
    if (file.fd < 0)
        return reason;
    QByteArray head(8, '\0');
    const ssize_t got = ::read(file.fd, head.data(), size_t(head.size()));
    head.truncate(got > 0 ? qsizetype(got) : 0);
    static const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    if (head == ole)
        return readXlsCells(descriptorPath(file.fd), sink);
    if (head.startsWith("PK\x03\x04"))
        return readXlsxCells(descriptorPath(file.fd), sink);
    return QStringLiteral("It is neither an .xls nor an .xlsx workbook.");
}

} // namespace workbook
