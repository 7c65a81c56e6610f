#include "TestMain.h"
#include "workbook/Workbook.h"
#include "workbook/WorkbookExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString sheetXml(const QString& path)
{
    const auto name = workbook::xlsxFirstSheetPartName(path);
    const auto xml = name ? workbook::xlsxPart(path, *name) : std::nullopt;
    return xml ? QString::fromUtf8(*xml) : QString();
}

QString stylesXml(const QString& path)
{
    const auto xml = workbook::xlsxPart(path, QStringLiteral("xl/styles.xml"));
    return xml ? QString::fromUtf8(*xml) : QString();
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
        QTest::newRow("whole") << 1234.0 << "1234";
        QTest::newRow("fraction") << 12.5 << "12.5";
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
        const QStringList r = rows->at(1);
        QCOMPARE(r.value(0), QStringLiteral("abc"));
        QCOMPARE(r.value(1), QStringLiteral("1234"));
        QCOMPARE(r.value(2), QStringLiteral("12.5"));
        QCOMPARE(r.value(3), QStringLiteral("7"));
        QCOMPARE(r.value(4), QStringLiteral("-5"));
        QCOMPARE(r.value(5), QStringLiteral("123456789012345"));
        QCOMPARE(r.value(6), QStringLiteral("0.001"));
        QCOMPARE(r.value(7), QStringLiteral("2024-03-05"));
        QCOMPARE(r.value(8), QStringLiteral("2024-12-15 07:08:09"));
        QCOMPARE(r.value(11), QStringLiteral("x y")); // trimmed, inner blank kept
        QCOMPARE(r.value(12), QString::fromUtf8("Zürich 東京"));
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

    void refusesFilesThatAreNoWorkbook()
    {
        QTemporaryDir dir;
        auto write = [&dir](const QString& name, const QByteArray& bytes) {
            QFile f(dir.filePath(name));
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            return f.fileName();
        };
        QFile goodXls(dataFile("machines.xls"));
        QVERIFY(goodXls.open(QIODevice::ReadOnly));
        const QByteArray xls = goodXls.readAll();

        const QStringList bad = {
            write("text.xlsx", "Machine ID;Description\nMC1;one\n"),
            write("truncated.xls", xls.left(700)),
            write("empty.xls", QByteArray()),
            dir.filePath("missing.xlsx"),
        };
        for (const QString& path : bad) {
            QString error;
            QVERIFY2(!workbook::readFirstSheet(path, &error), qPrintable(path));
            QVERIFY2(error.contains(path), qPrintable(error));
        }
    }

    void gridExportReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("grid.xlsx");
        const MemorySource s = threeRows();
        QString error;
        QVERIFY2(workbook::writeExport(s, workbook::SourceKind::Grid, {}, path, &error), qPrintable(error));

        const auto rows = workbook::readFirstSheet(path, &error);
        QVERIFY2(rows, qPrintable(error));
        QCOMPARE(rows->size(), 4);
        QCOMPARE(rows->at(0), QStringList({"Link No", "Machine ID", "Update Time"}));
        QCOMPARE(rows->at(1), QStringList({"L001", "MC1", "03/05/2024 07:08:09"}));
        QCOMPARE(workbook::cell(*rows, 2, 1), QStringLiteral("MC2"));
        QCOMPARE(workbook::cell(*rows, 3, 0), QStringLiteral("0042")); // text stays text

        const QString sheet = sheetXml(path);
        const QString styles = stylesXml(path);
        QVERIFY(sheet.contains(QStringLiteral("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                                              "state=\"frozen\"/>")));
        QVERIFY(!styles.contains(QStringLiteral("wrapText")));
        // Header font 14 over the header row; the first column left-aligned,
        // the others not.
        for (const QString ref : {"A1", "B1", "C1"})
            QVERIFY2(styleEntry(styles, styleOf(sheet, ref)).font.contains("<sz val=\"14\"/>"), qPrintable(ref));
        QVERIFY(!styleEntry(styles, styleOf(sheet, "A2")).font.contains("<sz val=\"14\"/>"));
        for (const QString ref : {"A1", "A2", "A4"})
            QVERIFY2(styleEntry(styles, styleOf(sheet, ref)).xf.contains("horizontal=\"left\""), qPrintable(ref));
        QVERIFY(!styleEntry(styles, styleOf(sheet, "B2")).xf.contains("horizontal=\"left\""));
        // Widths follow the longest text of each column.
        const QRegularExpression col("<col min=\"(\\d)\" max=\"\\d\" width=\"([\\d.]+)\"");
        QMap<int, double> widths;
        for (auto it = col.globalMatch(sheet); it.hasNext();) {
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
        QTemporaryDir dir;
        const QString path = dir.filePath("variants.xlsx");
        const MemorySource s = threeRows();
        workbook::ExportOptions o;
        o.starFirstColumn = true;
        o.dropLastColumn = true;
        o.rowColourByStatus = true;
        QVERIFY(workbook::writeExport(s, workbook::SourceKind::Grid, o, path));
        const auto rows = workbook::readFirstSheet(path);
        QVERIFY(rows);
        QCOMPARE(rows->at(0), QStringList({"Link No", "Machine ID"}));
        QCOMPARE(rows->at(1), QStringList({"*L001*", "MC1"}));
        QCOMPARE(rows->at(2), QStringList({"**", "MC2"}));
        QCOMPARE(rows->at(3), QStringList({"*0042*", "A much longer machine name"}));

        const QString sheet = sheetXml(path);
        const QString styles = stylesXml(path);
        QVERIFY(!sheet.contains("r=\"C1\""));
        auto fillOf = [&](const QString& ref) { return styleEntry(styles, styleOf(sheet, ref)).fill; };
        QVERIFY(fillOf("A2").contains("FFCCFFFF"));
        QVERIFY(fillOf("B2").contains("FFCCFFFF"));
        QVERIFY(fillOf("B3").contains("FFFFFF99"));
        QVERIFY(!fillOf("A4").contains("rgb")); // " 2" is not "2"
        QVERIFY(!fillOf("A1").contains("rgb"));
    }

    void titleBlockMovesTableDown()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("title.xlsx");
        const MemorySource s = threeRows();
        workbook::ExportOptions o;
        o.titleBlock = true;
        o.project = "PRJ1";
        QVERIFY(workbook::writeExport(s, workbook::SourceKind::Grid, o, path));
        const auto rows = workbook::readFirstSheet(path);
        QVERIFY(rows);
        QCOMPARE(workbook::cell(*rows, 0, 0), QStringLiteral("Component Loading / Changes Record"));
        QCOMPARE(workbook::cell(*rows, 2, 0), QStringLiteral("Project : PRJ1"));
        QCOMPARE(workbook::cell(*rows, 3, 0), QStringLiteral("Part No :")); // trimmed by the reader
        QCOMPARE(workbook::cell(*rows, 5, 0), QStringLiteral("Link No"));
        QCOMPARE(workbook::cell(*rows, 6, 0), QStringLiteral("L001"));
        QCOMPARE(rows->size(), 9);
        const QString sheet = sheetXml(path);
        const QString styles = stylesXml(path);
        QVERIFY(sheet.contains("ySplit=\"6\" topLeftCell=\"A7\""));
        QVERIFY(styleEntry(styles, styleOf(sheet, "A1")).font.contains("<sz val=\"14\"/>"));
        QVERIFY(!styleEntry(styles, styleOf(sheet, "B6")).font.contains("<sz val=\"14\"/>"));
        // The title does not widen column A.
        const auto m = QRegularExpression("<col min=\"1\" max=\"1\" width=\"([\\d.]+)\"").match(sheet);
        QVERIFY(m.hasMatch());
        QVERIFY(m.captured(1).toDouble() < 20);
    }

    void listExportLeftAlignsEverythingAndKeepsOneRow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("list.xlsx");
        MemorySource s;
        s.headers = {"Component", "Vendor"};
        s.rows = {{"C1", "V1"}};
        workbook::ExportOptions o;
        o.starFirstColumn = true;
        QVERIFY(workbook::writeExport(s, workbook::SourceKind::List, o, path));
        const auto rows = workbook::readFirstSheet(path);
        QVERIFY(rows);
        QCOMPARE(rows->size(), 2);
        QCOMPARE(rows->at(1), QStringList({"*C1*", "V1"}));
        const QString sheet = sheetXml(path);
        const QString styles = stylesXml(path);
        for (const QString ref : {"A1", "B1", "A2", "B2"}) {
            const Style st = styleEntry(styles, styleOf(sheet, ref));
            QVERIFY2(st.xf.contains("horizontal=\"left\""), qPrintable(ref));
            QVERIFY(!st.font.contains("<sz val=\"14\"/>"));
        }
        QVERIFY(sheet.contains("topLeftCell=\"A2\""));
    }

    void emptySourceGivesEmptySheet()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("empty.xlsx");
        MemorySource s;
        s.headers = {"Line ID"};
        QVERIFY(workbook::writeExport(s, workbook::SourceKind::Grid, {}, path));
        const auto rows = workbook::readFirstSheet(path);
        QVERIFY(rows);
        QVERIFY(rows->isEmpty());
        QVERIFY(!sheetXml(path).contains("pane"));
    }

    void unwritablePathIsReported()
    {
        QString error;
        QVERIFY(!workbook::writeExport(threeRows(), workbook::SourceKind::Grid, {}, "/nonexistent-folder/x.xlsx",
                                       &error));
        QVERIFY(error.contains("/nonexistent-folder/x.xlsx"));
    }
};

TROVA_TEST(WorkbookTest)
#include "tst_Workbook.moc"
