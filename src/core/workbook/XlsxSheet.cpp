// The cells of an .xlsx file's first sheet: shared strings, date styles and
// the sheet's XML, every part parsed whole or the file refused.
#include "workbook/SheetReader.h"
#include "workbook/Workbook.h"
#include "workbook/XlsxPackage.h"

#include <QDate>
#include <QHash>
#include <QStringList>
#include <QTime>
#include <QVector>
#include <cmath>

namespace workbook {

namespace {

QString limited(QStringView text)
{
    return text.size() > 40 ? text.left(40).toString() + QStringLiteral("...") : text.toString();
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
void readStyleKinds(QXmlStreamReader& x, QVector<DateKind>& kinds)
{
    QHash<int, DateKind> custom;
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
}

// Days since 1904-01-01, or in the 1900 system as the applications that
// write these files count them: 1 is 1900-01-01, 60 the 1900-02-29 they
// believe in (shown as such, a day no calendar has), 61 is 1900-03-01. The
// serial is rounded to the second first, then bounded: nothing for a date
// outside the years 1900 to 9999.
std::optional<QString> serialDateText(double serial, bool date1904, DateKind kind)
{
    const qint64 end = date1904 ? 2957004 : 2958466; // 10000-01-01
    if (!(serial >= 0 && serial < double(end)))
        return std::nullopt;
    qint64 secs = std::llround(serial * 86400.0);
    const qint64 days = secs / 86400;
    secs %= 86400;
    if (days >= end || (kind != DateKind::Time && !date1904 && days < 1))
        return std::nullopt;
    QString date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    else if (days == 60)
        date = QStringLiteral("1900-02-29");
    else
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    const QString time = QTime(0, 0).addSecs(int(secs)).toString(QStringLiteral("HH:mm:ss"));
    if (kind == DateKind::DateTime)
        return date + QLatin1Char(' ') + time;
    return kind == DateKind::Date ? date : time;
}

// Digits only, from 1 to max; 0 when it is no such number.
int parseNumber(QStringView digits, int max)
{
    if (digits.isEmpty() || digits.size() > 7)
        return 0;
    int n = 0;
    for (QChar d : digits) {
        if (d < QLatin1Char('0') || d > QLatin1Char('9'))
            return 0;
        n = n * 10 + (d.unicode() - '0');
    }
    return n <= max ? n : 0;
}

// "BC12" -> column 54, row 11 (0-based); false when malformed or past the
// sheet's limits.
bool parseReference(QStringView ref, int* row, int* column)
{
    int i = 0;
    int col = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char16_t c = QChar(ref[i]).toUpper().unicode();
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c - u'A' + 1);
    }
    const int r = parseNumber(ref.mid(i), kMaxRows);
    if (i == 0 || col > kMaxColumns || r == 0)
        return false;
    *row = r - 1;
    *column = col - 1;
    return true;
}

struct SheetContext
{
    const QStringList& shared;
    const QVector<DateKind>& styles;
    bool date1904;
    const CellSink& sink;
};

// The text of the cell element x stands on; a refusal in *reason.
QString cellText(QXmlStreamReader& x, const SheetContext& s, int row, int column, QString* reason)
{
    const auto attrs = x.attributes();
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
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int i = value.toInt(&ok);
        if (!ok || i < 0 || i >= s.shared.size())
            *reason = QStringLiteral("The cell %1 names a shared text that does not exist.").arg(cellName(row, column));
        return s.shared.value(i);
    }
    if (type == QLatin1String("inlineStr"))
        return inlineText;
    if (type == QLatin1String("str") || type == QLatin1String("e"))
        return value;
    if (type == QLatin1String("b"))
        return value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (!haveValue)
        return QString();
    bool ok = false;
    const double d = value.toDouble(&ok);
    const DateKind kind = style >= 0 && style < s.styles.size() ? s.styles.at(style) : DateKind::None;
    if (!ok)
        return value;
    if (kind == DateKind::None)
        return numberText(d);
    const auto date = serialDateText(d, s.date1904, kind);
    if (!date)
        *reason = QStringLiteral("The cell %1 holds %2 as a date, which is no date between the years 1900 and 9999.")
                      .arg(cellName(row, column), limited(value));
    return date.value_or(QString());
}

QString readCells(QXmlStreamReader& x, const SheetContext& s)
{
    int row = -1;
    int column = -1;
    qint64 chars = 0;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (x.name() == QLatin1String("row")) {
            const auto r = x.attributes().value(QLatin1String("r"));
            row = r.isEmpty() ? (row + 1 < kMaxRows ? row + 1 : -1) : parseNumber(r, kMaxRows) - 1;
            if (row < 0)
                return QStringLiteral("The row number %1 lies outside the sheet's %2 rows.")
                    .arg(r.isEmpty() ? QString::number(kMaxRows + 1) : limited(r))
                    .arg(kMaxRows);
            column = -1;
            continue;
        }
        if (x.name() != QLatin1String("c"))
            continue;
        const auto ref = x.attributes().value(QLatin1String("r"));
        int cellRow = row;
        int cellColumn = column + 1;
        if (ref.isEmpty() && cellRow < 0)
            return QStringLiteral("A cell stands outside any row.");
        if (ref.isEmpty() ? cellColumn >= kMaxColumns : !parseReference(ref, &cellRow, &cellColumn))
            return QStringLiteral("The cell %1 lies outside the sheet's %2 rows and %3 columns.")
                .arg(ref.isEmpty() ? cellName(cellRow, kMaxColumns) : limited(ref))
                .arg(kMaxRows)
                .arg(kMaxColumns);
        column = cellColumn;
        QString refused;
        const QString text = trimBlanks(cellText(x, s, cellRow, cellColumn, &refused));
        if (!refused.isEmpty())
            return refused;
        if (text.size() > kMaxCellChars)
            return QStringLiteral("The cell %1 holds more than %2 characters.")
                .arg(cellName(cellRow, cellColumn))
                .arg(kMaxCellChars);
        chars += text.size();
        if (chars > kMaxSheetChars)
            return sheetTextTooLarge();
        if (!text.isEmpty())
            s.sink(cellRow, cellColumn, text);
    }
    return QString();
}

} // namespace

QString readXlsxCells(const QString& path, const CellSink& sink)
{
    XlsxPackage package(path);
    if (!package.isOpen())
        return package.openFailure().isEmpty() ? QStringLiteral("It is no zip package that can be read.")
                                               : package.openFailure();
    QString reason;
    const auto first = package.firstSheet(&reason);
    if (!first)
        return reason;
    QStringList shared;
    const QString sst = QStringLiteral("xl/sharedStrings.xml");
    if (package.hasPart(sst)) {
        reason = package.parsePart(sst, [&shared](QXmlStreamReader& x) {
            while (!x.atEnd()) {
                if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("si"))
                    shared << readStringItem(x);
            }
            return QString();
        });
        if (!reason.isEmpty())
            return reason;
    }
    QVector<DateKind> styles;
    const QString st = QStringLiteral("xl/styles.xml");
    if (package.hasPart(st)) {
        reason = package.parsePart(st, [&styles](QXmlStreamReader& x) {
            readStyleKinds(x, styles);
            return QString();
        });
        if (!reason.isEmpty())
            return reason;
    }
    const SheetContext context{shared, styles, first->date1904, sink};
    // The workbook's relationship may name any part: only a worksheet is read.
    return package.parsePart(first->part, [&context, &first](QXmlStreamReader& x) {
        if (!x.isStartElement() || x.name() != QLatin1String("worksheet"))
            return QStringLiteral("The first sheet's part %1 is no worksheet.").arg(first->part);
        return readCells(x, context);
    });
}

} // namespace workbook
