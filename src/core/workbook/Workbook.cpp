#include "workbook/Workbook.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QXmlStreamReader>
#include <cmath>
#include <memory>

#include <freexl.h>
#include <unzip.h>

namespace workbook {

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0"); // also -0
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString notReadable(const QString& path)
{
    return QStringLiteral("The file %1 is not a readable Excel workbook.").arg(path);
}

QString trimBlanks(const QString& text)
{
    // Blanks only: a tab or a line break kept in a cell is part of its text.
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

void putCell(Rows& rows, int row, int column, const QString& text)
{
    if (text.isEmpty() || row < 0 || column < 0)
        return;
    if (rows.size() <= row)
        rows.resize(row + 1);
    QStringList& r = rows[row];
    while (r.size() <= column)
        r.append(QString());
    r[column] = text;
}

// Days since 1899-12-30 (the 1900 system with its phantom leap day folded in)
// to the texts the .xls reader gives for date cells.
QString serialDateText(double serial, bool date1904, bool hasDate, bool hasTime)
{
    const QDate base = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    double days = std::floor(serial);
    qint64 secs = qint64(std::llround((serial - days) * 86400.0));
    if (secs >= 86400) {
        days += 1;
        secs -= 86400;
    }
    const QDate d = base.addDays(qint64(days));
    const QTime t = QTime(0, 0).addSecs(int(secs));
    if (hasDate && hasTime)
        return d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + t.toString(QStringLiteral("HH:mm:ss"));
    if (hasDate)
        return d.toString(QStringLiteral("yyyy-MM-dd"));
    return t.toString(QStringLiteral("HH:mm:ss"));
}

// ---- .xls -------------------------------------------------------------

struct XlsHandle
{
    const void* handle = nullptr;
    ~XlsHandle()
    {
        if (handle)
            freexl_close(handle);
    }
};

// ---- .xlsx ------------------------------------------------------------

struct Zip
{
    unzFile file = nullptr;
    ~Zip()
    {
        if (file)
            unzClose(file);
    }
};

std::optional<QByteArray> readEntry(unzFile zip, QString name)
{
    if (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    const QByteArray n = name.toUtf8();
    if (unzLocateFile(zip, n.constData(), 1) != UNZ_OK)
        return std::nullopt;
    unz_file_info info;
    if (unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return std::nullopt;
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return std::nullopt;
    QByteArray data;
    data.reserve(int(std::min<uLong>(info.uncompressed_size, 512u * 1024 * 1024)));
    char buf[65536];
    int got = 0;
    while ((got = unzReadCurrentFile(zip, buf, sizeof buf)) > 0)
        data.append(buf, got);
    const bool ok = got == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
    if (!ok)
        return std::nullopt;
    return data;
}

// Resolves a relationship target against the folder of the part that owns it.
QString resolveTarget(const QString& ownerFolder, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList parts = ownerFolder.isEmpty() ? QStringList() : ownerFolder.split(QLatin1Char('/'));
    for (const QString& p : target.split(QLatin1Char('/'))) {
        if (p == QLatin1String(".."))
            parts.removeLast();
        else if (p != QLatin1String("."))
            parts << p;
    }
    return parts.join(QLatin1Char('/'));
}

std::optional<QString> firstSheetName(unzFile zip, QString* error, const QString& path)
{
    const auto wb = readEntry(zip, QStringLiteral("xl/workbook.xml"));
    const auto rels = readEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"));
    if (!wb || !rels) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    QString rid;
    QXmlStreamReader x(*wb);
    while (!x.atEnd() && rid.isEmpty()) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("sheet")) {
            for (const auto& a : x.attributes()) {
                if (a.name() == QLatin1String("id"))
                    rid = a.value().toString();
            }
        }
    }
    QXmlStreamReader r(*rels);
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == QLatin1String("Relationship")
            && r.attributes().value(QLatin1String("Id")) == rid)
            return resolveTarget(QStringLiteral("xl"), r.attributes().value(QLatin1String("Target")).toString());
    }
    setError(error, notReadable(path));
    return std::nullopt;
}

// Text of a shared string item or an inline string: its runs' texts
// joined, phonetic hints left out.
QString readStringItem(QXmlStreamReader& x)
{
    const QString end = x.name().toString();
    QString text;
    int phonetic = 0;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (x.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (x.name() == QLatin1String("t") && phonetic == 0)
                text += x.readElementText();
        } else if (t == QXmlStreamReader::EndElement) {
            if (x.name() == QLatin1String("rPh"))
                --phonetic;
            else if (x.name() == end)
                break;
        }
    }
    return text;
}

QStringList readSharedStrings(const QByteArray& xml)
{
    QStringList out;
    QXmlStreamReader x(xml);
    while (!x.atEnd()) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("si"))
            out << readStringItem(x);
    }
    return out;
}

enum class DateKind { None, Date, DateTime, Time };

DateKind kindOfFormatCode(const QString& code)
{
    // Skip quoted text, escapes and bracketed parts ([Red], [$-409]) before
    // looking for date and time letters.
    bool date = false, time = false, month = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"')) {
            i = int(code.indexOf(QLatin1Char('"'), i + 1));
            if (i < 0)
                break;
        } else if (c == QLatin1Char('\\')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const int close = int(code.indexOf(QLatin1Char(']'), i));
            const QString inner = code.mid(i + 1, close - i - 1).toLower();
            if (inner == QLatin1String("h") || inner == QLatin1String("hh") || inner == QLatin1String("m")
                || inner == QLatin1String("mm") || inner == QLatin1String("s") || inner == QLatin1String("ss"))
                time = true;
            if (close < 0)
                break;
            i = close;
        } else {
            const QChar l = c.toLower();
            if (l == QLatin1Char('d') || l == QLatin1Char('y'))
                date = true;
            else if (l == QLatin1Char('h') || l == QLatin1Char('s'))
                time = true;
            else if (l == QLatin1Char('m'))
                month = true; // a month unless hours or seconds make it minutes
        }
    }
    if (month && !time)
        date = true;
    if (date && time)
        return DateKind::DateTime;
    if (date)
        return DateKind::Date;
    if (time)
        return DateKind::Time;
    return DateKind::None;
}

DateKind kindOfBuiltinFormat(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) || (id >= 50 && id <= 58))
        return DateKind::Date;
    if (id == 22)
        return DateKind::DateTime;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47) || id == 32 || id == 33)
        return DateKind::Time;
    return DateKind::None;
}

// For each cell style index, whether numbers in it are dates or times.
QVector<DateKind> readStyleKinds(const QByteArray& xml)
{
    QHash<int, DateKind> custom;
    QVector<DateKind> kinds;
    QXmlStreamReader x(xml);
    bool inXfs = false;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (x.name() == QLatin1String("numFmt")) {
                custom.insert(x.attributes().value(QLatin1String("numFmtId")).toInt(),
                              kindOfFormatCode(x.attributes().value(QLatin1String("formatCode")).toString()));
            } else if (x.name() == QLatin1String("cellXfs")) {
                inXfs = true;
            } else if (inXfs && x.name() == QLatin1String("xf")) {
                const int id = x.attributes().value(QLatin1String("numFmtId")).toInt();
                kinds << (custom.contains(id) ? custom.value(id) : kindOfBuiltinFormat(id));
            }
        } else if (t == QXmlStreamReader::EndElement && x.name() == QLatin1String("cellXfs")) {
            inXfs = false;
        }
    }
    return kinds;
}

bool readsDate1904(const QByteArray& workbookXml)
{
    QXmlStreamReader x(workbookXml);
    while (!x.atEnd()) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("workbookPr")) {
            const auto v = x.attributes().value(QLatin1String("date1904"));
            return v == QLatin1String("1") || v == QLatin1String("true");
        }
    }
    return false;
}

// "BC12" -> column 54 (0-based), row 11 (0-based); false when malformed.
bool parseReference(QStringView ref, int* row, int* column)
{
    int i = 0;
    int col = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        col = col * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || r < 1)
        return false;
    *row = r - 1;
    *column = col - 1;
    return true;
}

} // namespace

std::optional<Rows> readXls(const QString& path, QString* error)
{
    XlsHandle h;
    const QByteArray name = QFile::encodeName(path);
    int rc = freexl_open(name.constData(), &h.handle);
    if (rc != FREEXL_OK) {
        h.handle = nullptr;
        setError(error, rc == FREEXL_FILE_NOT_FOUND ? QStringLiteral("The file %1 cannot be opened.").arg(path)
                                                    : notReadable(path));
        return std::nullopt;
    }
    unsigned int sheets = 0;
    if (freexl_get_info(h.handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0
        || freexl_select_active_worksheet(h.handle, 0) != FREEXL_OK) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (freexl_worksheet_dimensions(h.handle, &rowCount, &columnCount) != FREEXL_OK) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    Rows rows;
    rows.reserve(int(rowCount));
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
                text = QString::fromUtf8(v.value.text_value);
                break;
            default:
                break;
            }
            putCell(rows, int(r), int(c), trimBlanks(text));
        }
    }
    return rows;
}

std::optional<QString> xlsxFirstSheetPartName(const QString& path, QString* error)
{
    Zip zip;
    zip.file = unzOpen64(QFile::encodeName(path).constData());
    if (!zip.file) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    return firstSheetName(zip.file, error, path);
}

std::optional<QByteArray> xlsxPart(const QString& path, const QString& partName, QString* error)
{
    Zip zip;
    zip.file = unzOpen64(QFile::encodeName(path).constData());
    if (!zip.file) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    auto data = readEntry(zip.file, partName);
    if (!data)
        setError(error, QStringLiteral("%1 has no part %2.").arg(path, partName));
    return data;
}

std::optional<Rows> readXlsx(const QString& path, QString* error)
{
    Zip zip;
    zip.file = unzOpen64(QFile::encodeName(path).constData());
    if (!zip.file) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    const auto sheetName = firstSheetName(zip.file, error, path);
    if (!sheetName)
        return std::nullopt;
    const auto sheet = readEntry(zip.file, *sheetName);
    if (!sheet) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    QStringList shared;
    if (const auto sst = readEntry(zip.file, QStringLiteral("xl/sharedStrings.xml")))
        shared = readSharedStrings(*sst);
    QVector<DateKind> styles;
    if (const auto st = readEntry(zip.file, QStringLiteral("xl/styles.xml")))
        styles = readStyleKinds(*st);
    bool date1904 = false;
    if (const auto wb = readEntry(zip.file, QStringLiteral("xl/workbook.xml")))
        date1904 = readsDate1904(*wb);

    Rows rows;
    QXmlStreamReader x(*sheet);
    int row = -1;
    int column = -1;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (x.name() == QLatin1String("row")) {
            const auto r = x.attributes().value(QLatin1String("r"));
            row = r.isEmpty() ? row + 1 : r.toInt() - 1;
            column = -1;
            continue;
        }
        if (x.name() != QLatin1String("c"))
            continue;
        const auto attrs = x.attributes();
        const auto ref = attrs.value(QLatin1String("r"));
        int cellRow = row;
        int cellColumn = column + 1;
        if (!ref.isEmpty() && !parseReference(ref, &cellRow, &cellColumn)) {
            setError(error, notReadable(path));
            return std::nullopt;
        }
        column = cellColumn;
        const QString type = attrs.value(QLatin1String("t")).toString();
        const int style = attrs.value(QLatin1String("s")).toInt();
        QString value;
        bool haveValue = false;
        QString inlineText;
        // Children: <v>, <f>, <is>.
        while (!x.atEnd()) {
            const auto t = x.readNext();
            if (t == QXmlStreamReader::EndElement && x.name() == QLatin1String("c"))
                break;
            if (t != QXmlStreamReader::StartElement)
                continue;
            if (x.name() == QLatin1String("v")) {
                value = x.readElementText();
                haveValue = true;
            } else if (x.name() == QLatin1String("is")) {
                inlineText = readStringItem(x);
            } else {
                x.skipCurrentElement();
            }
        }
        QString text;
        if (type == QLatin1String("s")) {
            bool ok = false;
            const int i = value.toInt(&ok);
            if (!ok || i < 0 || i >= shared.size()) {
                setError(error, notReadable(path));
                return std::nullopt;
            }
            text = shared.at(i);
        } else if (type == QLatin1String("inlineStr")) {
            text = inlineText;
        } else if (type == QLatin1String("str") || type == QLatin1String("e")) {
            text = value;
        } else if (type == QLatin1String("b")) {
            text = value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (haveValue) {
            bool ok = false;
            const double d = value.toDouble(&ok);
            const DateKind kind = style >= 0 && style < styles.size() ? styles.at(style) : DateKind::None;
            if (!ok)
                text = value;
            else if (kind == DateKind::None)
                text = numberText(d);
            else
                text = serialDateText(d, date1904, kind != DateKind::Time, kind != DateKind::Date);
        }
        putCell(rows, cellRow, cellColumn, trimBlanks(text));
    }
    if (x.hasError()) {
        setError(error, notReadable(path));
        return std::nullopt;
    }
    return rows;
}

std::optional<Rows> readFirstSheet(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("The file %1 cannot be opened.").arg(path));
        return std::nullopt;
    }
    const QByteArray head = f.read(8);
    f.close();
    static const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    if (head == ole)
        return readXls(path, error);
    if (head.startsWith("PK\x03\x04"))
        return readXlsx(path, error);
    setError(error, notReadable(path));
    return std::nullopt;
}

} // namespace workbook
