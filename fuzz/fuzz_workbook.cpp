// The .xlsx reader and the framed answer of the reader program. The first
// byte chooses what the rest is: 0 a whole file; 1 the parts of a package
// (sheet, shared strings, styles, workbook, relationships, split at "@@";
// an empty or missing part gets a plain one), deflated and zipped here (with
// zip64 headers when the first byte's next bit says so) so that the XML is
// reached past the zip's checksums; 2 a reader's answer, fed in pieces.
// In a part, "@r", a 16-bit big-endian count, some text and "@e" stand for
// the text repeated that many times: a few bytes reach sheets of many cells
// that reuse one long shared text, as a small compressed file can.
// Whatever a file holds, the cells stay inside the sheet and survive the
// hop through the frames unchanged. .xls files are read by libfreexl, which
// is not ours to mend: the reader program contains it.
#include "workbook/SheetFrames.h"
#include "workbook/SheetReader.h"

#include <QByteArrayList>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <vector>
#include <unistd.h>

#include <zip.h>

using namespace workbook;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

const QString& scratch()
{
    static const QString path = QStringLiteral("/tmp/fuzz_workbook_%1.xlsx").arg(getpid());
    return path;
}

void writeFile(const QByteArray& bytes)
{
    QFile f(scratch());
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The part with its repeats written out, never past 16 MB.
QByteArray expand(const QByteArray& part)
{
    constexpr qsizetype kMax = 16 << 20;
    QByteArray out;
    qsizetype at = 0;
    while (at < part.size() && out.size() < kMax) {
        const qsizetype open = part.indexOf("@r", at);
        const qsizetype close = open < 0 || open + 4 > part.size() ? -1 : part.indexOf("@e", open + 4);
        if (close < 0) {
            out += part.mid(at);
            break;
        }
        out += part.mid(at, open - at);
        const int count = (quint8(part[open + 2]) << 8) | quint8(part[open + 3]);
        const QByteArray text = part.mid(open + 4, close - open - 4);
        for (int i = 0; i < count && out.size() < kMax; ++i)
            out += text;
        at = close + 2;
    }
    return out.left(kMax);
}

void writePackage(const QByteArray& input, bool zip64)
{
    static const char* names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml",
                                  "xl/workbook.xml", "xl/_rels/workbook.xml.rels"};
    static const QByteArray plain[] = {
        "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\" s=\"1\"><v>0</v></c></row></sheetData></worksheet>",
        "<sst><si><t>x</t></si></sst>",
        "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>",
        "<workbook><sheets><sheet r:id=\"rId1\" xmlns:r=\"r\"/></sheets></workbook>",
        "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"};
    QByteArrayList parts;
    for (qsizetype at = 0; at <= input.size() && parts.size() < 5;) {
        const qsizetype end = input.indexOf("@@", at);
        parts << input.mid(at, end < 0 ? -1 : end - at);
        at = end < 0 ? input.size() + 1 : end + 2;
    }
    zipFile z = zipOpen64(QFile::encodeName(scratch()).constData(), APPEND_STATUS_CREATE);
    check(z != nullptr);
    for (int i = 0; i < 5; ++i) {
        const QByteArray data = i < parts.size() && !parts[i].isEmpty() ? expand(parts[i]) : plain[i];
        check(zipOpenNewFileInZip64(z, names[i], nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_SPEED,
                                    zip64 ? 1 : 0)
              == ZIP_OK);
        zipWriteInFileInZip(z, data.constData(), unsigned(data.size()));
        zipCloseFileInZip(z);
    }
    check(zipClose(z, nullptr) == ZIP_OK);
}

void put(Rows& rows, int row, int column, const QString& text)
{
    if (rows.size() <= row)
        rows.resize(row + 1);
    if (rows[row].size() <= column)
        rows[row].resize(column + 1);
    rows[row][column] = text;
}

void readPackage()
{
    struct Cell
    {
        int row, column;
        QString text;
    };
    std::vector<Cell> cells;
    qint64 chars = 0;
    const QString reason = readXlsxCells(scratch(), [&cells, &chars](int row, int column, const QString& text) {
        check(row >= 0 && row < kMaxRows && column >= 0 && column < kMaxColumns);
        check(!text.isEmpty() && text.size() <= kMaxCellChars);
        chars += text.size();
        check(chars <= kMaxSheetChars);
        check(!text.startsWith(QLatin1Char(' ')) && !text.endsWith(QLatin1Char(' ')));
        cells.push_back({row, column, text});
    });
    if (!reason.isEmpty())
        return;
    // The hop, for sheets small enough to lay out here.
    Rows expected;
    QByteArray answer;
    FrameWriter writer([&answer](const QByteArray& b) {
        answer += b;
        return true;
    });
    for (const Cell& c : cells) {
        if (c.row >= 4096 || c.column >= 256)
            return;
        put(expected, c.row, c.column, c.text);
        writer.cell(c.row, c.column, c.text);
    }
    writer.end();
    check(writer.flush());
    FrameDecoder decoder;
    check(decoder.feed(answer) && decoder.complete());
    check(decoder.takeRows() == expected);
}

void decodeAnswer(const QByteArray& answer, int piece)
{
    FrameDecoder decoder;
    bool ok = true;
    for (qsizetype at = 0; ok && at < answer.size(); at += piece)
        ok = decoder.feed(answer.mid(at, piece));
    const Rows rows = decoder.takeRows();
    if (!ok || !decoder.complete()) {
        check(!ok == !decoder.failure().isEmpty());
        return;
    }
    check(rows.size() <= kMaxRows);
    qint64 places = 0;
    for (const QStringList& r : rows) {
        check(r.size() <= kMaxColumns);
        places += r.size();
    }
    check(places <= kMaxSheetPlaces);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0:
        writeFile(rest);
        readPackage();
        break;
    case 1:
        writePackage(rest, data[0] / 3 % 2);
        readPackage();
        break;
    default:
        decodeAnswer(rest, 1 + data[0] / 3 % 64);
        break;
    }
    return 0;
}
