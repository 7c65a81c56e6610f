#include "TestMain.h"
#include "workbook/SheetFrames.h"
#include "workbook/Workbook.h"
#include "workbook/WorkbookExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <xlsxwriter.h>

using workbook::Rows;

namespace {

QString dataFile(const QString& name)
{
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../data/") + name);
}

// A shown list held in memory.
class MemorySource : public workbook::TableSource
{
public:
    QStringList headers;
    QVector<QStringList> rows;
    QStringList statuses; // [0] header, then one per row
    int rowCount() const override { return int(rows.size()); }
    int columnCount() const override { return int(headers.size()); }
    QString header(int c) const override { return headers.value(c); }
    QString text(int r, int c) const override { return rows[r].value(c); }
    QString status(int r) const override { return statuses.value(r + 1); }
};

MemorySource threeRows()
{
    MemorySource s;
    s.headers = {"Link No", "Machine ID", "Update Time"};
    s.rows = {{"L001", "MC1", "03/05/2024 07:08:09"}, {"", "MC2", ""}, {"0042", "A much longer machine name", "x"}};
    s.statuses = {"", "0", "1", " 2"};
    return s;
}

// The style index of a cell, -1 when the cell is not written.
int styleOf(const QString& sheet, const QString& ref)
{
    const QRegularExpression re(QStringLiteral("<c r=\"%1\"( s=\"(\\d+)\")?").arg(ref));
    const auto m = re.match(sheet);
    if (!m.hasMatch())
        return -1;
    return m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
}

// The attributes of the cellXfs entry of a style index and its font and fill.
struct Style
{
    QString xf;
    QString font;
    QString fill;
};

Style styleEntry(const QString& styles, int index)
{
    auto section = [&styles](const QString& name) {
        const int a = int(styles.indexOf("<" + name));
        const int b = int(styles.indexOf("</" + name + ">"));
        return styles.mid(a, b - a);
    };
    auto nth = [](const QString& block, const QString& tag, int n) {
        const QRegularExpression re(QStringLiteral("<%1[ >/].*?(</%1>|/>)").arg(tag),
                                    QRegularExpression::DotMatchesEverythingOption);
        auto it = re.globalMatch(block);
        for (int i = 0; it.hasNext(); ++i) {
            const auto m = it.next();
            if (i == n)
                return m.captured(0);
        }
        return QString();
    };
    Style s;
    s.xf = nth(section("cellXfs"), "xf", index);
    const int font = QRegularExpression("fontId=\"(\\d+)\"").match(s.xf).captured(1).toInt();
    const int fill = QRegularExpression("fillId=\"(\\d+)\"").match(s.xf).captured(1).toInt();
    s.font = nth(section("fonts"), "font", font);
    s.fill = nth(section("fills"), "fill", fill);
    return s;
}

// An export read back: its cells, the XML of its sheet and its styles.
struct Written
{
    Rows rows;
    QString sheet;
    QString styles;
    Style style(const QString& ref) const { return styleEntry(styles, styleOf(sheet, ref)); }
};

Written write(const workbook::TableSource& s, workbook::SourceKind kind, const workbook::ExportOptions& o = {})
{
    QTemporaryDir dir;
    const QString path = dir.filePath("export.xlsx");
    if (!workbook::writeExport(s, kind, o, path))
        return {};
    auto part = [&path](const QString& name) { return QString::fromUtf8(workbook::xlsxPart(path, name).value_or("")); };
    return {workbook::readFirstSheet(path).value_or(Rows()), part(workbook::xlsxFirstSheetPartName(path).value_or("")),
            part(QStringLiteral("xl/styles.xml"))};
}

} // namespace

// Reading workbooks that other programs wrote, and reading back what our
// export writes: the cell texts the imports see and the sheet layout the
// exports promise.
class WorkbookTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("binary fraction") << 0.1 << "0.1";
        QTest::newRow("sum with rounding noise") << (0.1 + 0.2) << "0.30000000000000004";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("large, no exponent") << 1e20 << "100000000000000000000";
        QTest::newRow("small, no exponent") << 0.0000001 << "0.0000001";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(workbook::numberText(value), text);
    }

    void readsTypedCellsOfOtherWriters_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx") << "cells.xlsx";
        QTest::newRow("xls") << "cells.xls";
    }
    void readsTypedCellsOfOtherWriters()
    {
        QFETCH(QString, file);
        QString error;
        const auto rows = workbook::readFirstSheet(dataFile(file), &error);
        QVERIFY2(rows, qPrintable(error));
        QCOMPARE(rows->size(), 2); // the first sheet only
        QCOMPARE(workbook::cell(*rows, 0, 0), QStringLiteral("text"));
        QCOMPARE(rows->at(1).mid(0, 9), QStringList({"abc", "1234", "12.5", "7", "-5", "123456789012345", "0.001",
                                                     "2024-03-05", "2024-12-15 07:08:09"}));
        // Trimmed, inner blank kept.
        QCOMPARE(rows->at(1).mid(11), QStringList({"x y", QString::fromUtf8("Zürich 東京")}));
    }

    void customFormatsAndInnerWhitespace()
    {
        // Custom number formats as another writer numbers them (164 on), and
        // cells whose tab or line break is part of the text.
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("custom.xlsx"));
        lxw_workbook* wb = workbook_new(path.constData());
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        auto numFormat = [wb](const char* code) {
            lxw_format* f = workbook_add_format(wb);
            format_set_num_format(f, code);
            return f;
        };
        worksheet_write_string(ws, 0, 0, "h", nullptr);
        worksheet_write_string(ws, 1, 0, "\tX", nullptr);
        worksheet_write_string(ws, 1, 1, "  y\n ", nullptr);
        worksheet_write_number(ws, 1, 2, 0.3, numFormat("hh:mm"));
        worksheet_write_number(ws, 1, 3, 45356.3, numFormat("dd/mm/yyyy hh:mm"));
        worksheet_write_number(ws, 1, 4, 45356, numFormat("mmm yy"));
        QCOMPARE(workbook_close(wb), LXW_NO_ERROR);

        const auto rows = workbook::readFirstSheet(QFile::decodeName(path));
        QVERIFY(rows);
        QCOMPARE(rows->at(1), QStringList({"\tX", "y\n", "07:12:00", "2024-03-05 07:12:00", "2024-03-05"}));
    }

    void misbehavingReaderIsStopped_data()
    {
        // The reader's part, in sh; the limits it runs under; how the
        // message ends.
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("cpuSeconds");
        QTest::addColumn<int>("wallSeconds");
        QTest::addColumn<QString>("reason");
        QTest::newRow("its limits are set before it starts")
            << "r=\"$(ulimit -t) s, $(ulimit -v) kB\"; printf \"XLR1E\\0\\0\\0\\\\$(printf %o ${#r})%s\" \"$r\""
            << 7 << 60 << "7 s, 65536 kB";
        QTest::newRow("past its deadline")
            << "exec sleep 30" << 60 << 1 << "The reader did not finish within 1 seconds.";
        QTest::newRow("busy past its processor time")
            << "while :; do :; done" << 1 << 60 << "The reader used up its 1 seconds of processor time.";
        QTest::newRow("ends with an error") << "exit 3" << 60 << 60 << "The reader ended with exit code 3.";
        QTest::newRow("says nothing") << "exit 0" << 60 << 60 << "The reader's answer ends early.";
        QTest::newRow("a length not to trust") << "printf 'XLR1C\\377\\377\\377\\377'; exec sleep 30" << 60 << 60
                                               << "The reader's answer is malformed: a frame of 4294967295 bytes.";
        QTest::newRow("a cell below the sheet") << "printf 'XLR1C\\0\\0\\0\\7\\0\\20\\0\\0\\0\\0x'" << 60 << 60
                                                << "The reader's answer is malformed: a cell outside the sheet.";
    }
    void misbehavingReaderIsStopped()
    {
        QFETCH(QString, script);
        QFETCH(int, cpuSeconds);
        QFETCH(int, wallSeconds);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile reader(dir.filePath("reader"));
        QVERIFY(reader.open(QIODevice::WriteOnly));
        reader.write("#!/bin/sh\n" + script.toUtf8() + "\n");
        reader.close();
        reader.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const workbook::ReaderLimits limits{reader.fileName(), 64 << 20, cpuSeconds, wallSeconds};
        QString error;
        QVERIFY(!workbook::readFirstSheet(dataFile("cells.xlsx"), &error, limits));
        QCOMPARE(error, "The file " + dataFile("cells.xlsx") + " is not a readable Excel workbook.\n" + reason);

        const QString none = dir.filePath("none");
        QVERIFY(!workbook::readFirstSheet(dataFile("cells.xlsx"), &error, {none}));
        QVERIFY2(error.startsWith("The workbook reader " + none + " cannot be started"), qPrintable(error));
    }

    void framesCarryCellsInAnyPieces()
    {
        // The answer arrives in pieces of any size and is written in more
        // than one; what comes out is what went in, later cells at the same
        // place winning.
        QRandomGenerator random(23);
        QByteArray answer;
        workbook::FrameWriter writer([&answer](const QByteArray& b) {
            answer += b;
            return true;
        });
        Rows expected;
        for (int i = 0; i < 3000; ++i) {
            const int row = random.bounded(200);
            const int column = random.bounded(30);
            const QString text(random.bounded(1, 600), QChar(u'\u00e4' + i % 7));
            writer.cell(row, column, text);
            expected.resize(std::max<qsizetype>(expected.size(), row + 1));
            expected[row].resize(std::max<qsizetype>(expected[row].size(), column + 1));
            expected[row][column] = text;
        }
        writer.end();
        QVERIFY(writer.flush());
        workbook::FrameDecoder decoder;
        for (qsizetype at = 0, piece = 1; at < answer.size(); at += piece, piece = random.bounded(1, 9000))
            QVERIFY(decoder.feed(answer.mid(at, piece)));
        QVERIFY(decoder.complete());
        QCOMPARE(decoder.takeRows(), expected);
    }

    void gridExportReadsBack()
    {
        const Written w = write(threeRows(), workbook::SourceKind::Grid);
        QCOMPARE(w.rows, Rows({{"Link No", "Machine ID", "Update Time"}, {"L001", "MC1", "03/05/2024 07:08:09"},
                               {"", "MC2"}, {"0042", "A much longer machine name", "x"}})); // text stays text
        QVERIFY(w.sheet.contains(QStringLiteral("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                                                "state=\"frozen\"/>")));
        QVERIFY(!w.styles.contains(QStringLiteral("wrapText")));
        // Header font 14 over the header row; the first column left-aligned,
        // the others not.
        for (const QString ref : {"A1", "B1", "C1"})
            QVERIFY2(w.style(ref).font.contains("<sz val=\"14\"/>"), qPrintable(ref));
        QVERIFY(!w.style("A2").font.contains("<sz val=\"14\"/>"));
        for (const QString ref : {"A1", "A2", "A4"})
            QVERIFY2(w.style(ref).xf.contains("horizontal=\"left\""), qPrintable(ref));
        QVERIFY(!w.style("B2").xf.contains("horizontal=\"left\""));
        // Widths follow the longest text of each column.
        const QRegularExpression col("<col min=\"(\\d)\" max=\"\\d\" width=\"([\\d.]+)\"");
        QMap<int, double> widths;
        for (auto it = col.globalMatch(w.sheet); it.hasNext();) {
            const auto m = it.next();
            widths[m.captured(1).toInt()] = m.captured(2).toDouble();
        }
        QCOMPARE(widths.size(), 3);
        QVERIFY(widths[2] > widths[1]); // "A much longer machine name"
        QVERIFY(widths[2] >= 26);
        QVERIFY(widths[3] >= 19); // "03/05/2024 07:08:09"
    }

    void gridVariants()
    {
        workbook::ExportOptions o;
        o.starFirstColumn = true;
        o.dropLastColumn = true;
        o.rowColourByStatus = true;
        const Written w = write(threeRows(), workbook::SourceKind::Grid, o);
        QCOMPARE(w.rows, Rows({{"Link No", "Machine ID"}, {"*L001*", "MC1"}, {"**", "MC2"},
                               {"*0042*", "A much longer machine name"}}));
        QVERIFY(!w.sheet.contains("r=\"C1\""));
        QVERIFY(w.style("A2").fill.contains("FFCCFFFF"));
        QVERIFY(w.style("B2").fill.contains("FFCCFFFF"));
        QVERIFY(w.style("B3").fill.contains("FFFFFF99"));
        QVERIFY(!w.style("A4").fill.contains("rgb")); // " 2" is not "2"
        QVERIFY(!w.style("A1").fill.contains("rgb"));
    }

    void titleBlockMovesTableDown()
    {
        workbook::ExportOptions o;
        o.titleBlock = true;
        o.project = "PRJ1";
        const Written w = write(threeRows(), workbook::SourceKind::Grid, o);
        QStringList columnA;
        for (int r = 0; r < 7; ++r)
            columnA << workbook::cell(w.rows, r, 0);
        // "Part No :" trimmed by the reader.
        QCOMPARE(columnA, QStringList({"Component Loading / Changes Record", "", "Project : PRJ1", "Part No :", "",
                                       "Link No", "L001"}));
        QCOMPARE(w.rows.size(), 9);
        QVERIFY(w.sheet.contains("ySplit=\"6\" topLeftCell=\"A7\""));
        QVERIFY(w.style("A1").font.contains("<sz val=\"14\"/>"));
        QVERIFY(!w.style("B6").font.contains("<sz val=\"14\"/>"));
        // The title does not widen column A.
        const auto m = QRegularExpression("<col min=\"1\" max=\"1\" width=\"([\\d.]+)\"").match(w.sheet);
        QVERIFY(m.hasMatch());
        QVERIFY(m.captured(1).toDouble() < 20);
    }

    void listExportLeftAlignsEverythingAndKeepsOneRow()
    {
        MemorySource s;
        s.headers = {"Component", "Vendor"};
        s.rows = {{"C1", "V1"}};
        workbook::ExportOptions o;
        o.starFirstColumn = true;
        const Written w = write(s, workbook::SourceKind::List, o);
        QCOMPARE(w.rows, Rows({{"Component", "Vendor"}, {"*C1*", "V1"}}));
        for (const QString ref : {"A1", "B1", "A2", "B2"}) {
            QVERIFY2(w.style(ref).xf.contains("horizontal=\"left\""), qPrintable(ref));
            QVERIFY(!w.style(ref).font.contains("<sz val=\"14\"/>"));
        }
        QVERIFY(w.sheet.contains("topLeftCell=\"A2\""));
    }

    void emptySourceGivesEmptySheet()
    {
        MemorySource s;
        s.headers = {"Line ID"};
        const Written w = write(s, workbook::SourceKind::Grid);
        QVERIFY(w.rows.isEmpty());
        QVERIFY(w.sheet.contains("<sheetData"));
        QVERIFY(!w.sheet.contains("pane"));
    }
};

TROVA_TEST(WorkbookTest)
#include "tst_Workbook.moc"
