#include "TestFiles.h"
#include "SmallFolder.h"
#include "TestMain.h"
#include "workbook/ExportWriter.h"
#include "workbook/SheetFrames.h"
#include "workbook/SheetReader.h"
#include "workbook/Workbook.h"
#include "workbook/WorkbookExport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <xlsxwriter.h>

using testing::dataFile;
using workbook::Rows;

namespace {

// A shown list of three rows, each with a status text.
class ThreeRows : public workbook::TableSource {
public:
    int rowCount() const override { return 3; }
    int columnCount() const override { return 3; }
    QString header(int c) const override { return QStringList { "Link No", "Machine ID", "Update Time" }.value(c); }
    QString text(int r, int c) const override
    {
        return QList<QStringList> { { "L001", "MC1", "03/05/2024 07:08:09" }, { "", "MC2", "" },
            { "0042", "A much longer machine name", "x" } }[r]
            .value(c);
    }
    QString status(int r) const override { return QStringList { "", "0", "1", " 2" }.value(r + 1); }
};

// A list of eight columns, each cell its own text.
struct ManyRows : workbook::TableSource {
    explicit ManyRows(int rows) : rows(rows) {}
    int rowCount() const override { return rows; }
    int columnCount() const override { return 8; }
    QString header(int c) const override { return QStringLiteral("Column %1").arg(c); }
    QString text(int r, int c) const override { return QStringLiteral("Row %1 column %2 text").arg(r).arg(c); }
    int rows;
};

// The n-th element of a kind (tag) from the section of the styles on.
QString nth(const QString& styles, const QString& section, const QString& tag, int n)
{
    const QRegularExpression re(
        QStringLiteral("<%1[ >/].*?(</%1>|/>)").arg(tag), QRegularExpression::DotMatchesEverythingOption);
    auto it = re.globalMatch(styles, styles.indexOf("<" + section));
    for (int i = 0; it.hasNext(); ++i) {
        const QString element = it.next().captured(0);
        if (i == n)
            return element;
    }
    return {};
}

// How an exported cell looks: "14" for the large font, "left", its fill
// colour; "-" for a cell that is not written.
QString look(const QString& sheet, const QString& styles, const QString& ref)
{
    const auto cell = QRegularExpression(QStringLiteral("<c r=\"%1\"( s=\"(\\d+)\")?").arg(ref)).match(sheet);
    if (!cell.hasMatch())
        return QStringLiteral("-");
    const QString xf = nth(styles, "cellXfs", "xf", cell.captured(2).toInt());
    const auto id = [&xf](const QString& attribute) {
        return QRegularExpression(attribute + "=\"(\\d+)\"").match(xf).captured(1).toInt();
    };
    QStringList out;
    if (nth(styles, "fonts", "font", id("fontId")).contains("<sz val=\"14\"/>"))
        out << "14";
    if (xf.contains("horizontal=\"left\""))
        out << "left";
    const auto fill = QRegularExpression("rgb=\"FF(\\w{6})\"").match(nth(styles, "fills", "fill", id("fillId")));
    if (fill.hasMatch())
        out << fill.captured(1);
    return out.join(' ');
}

} // namespace

// Reading workbooks that other programs wrote, and reading back what our
// export writes: the cell texts the imports see and the sheet layout the
// exports promise.
class WorkbookTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The reader's own bound counts the text of the whole sheet: every cell
    // of these small files is within a cell's limit, and together they hold
    // more than a sheet may. What the sink was given stays within the bound.
    void expandingSheetIsRefusedOnItsWholeText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx") << "hostile/text-bomb.xlsx";
        QTest::newRow("xls") << "hostile/xls-text-bomb.xls";
    }
    void expandingSheetIsRefusedOnItsWholeText()
    {
        QFETCH(QString, file);
        qint64 given = 0;
        int cells = 0;
        const QString reason = workbook::readSheetCells(dataFile(file), [&](int, int, const QString& text) {
            given += text.size();
            ++cells;
        });
        QCOMPARE(reason, workbook::sheetTextTooLarge());
        QVERIFY2(given <= workbook::kMaxSheetChars, qPrintable(QString::number(given)));
        QVERIFY2(cells > 4000, qPrintable(QString::number(cells)));
    }

    // Each reader opens what it is given without waiting and reads only a
    // regular file, so that a named pipe put in a workbook's place (also
    // after an earlier check of the name) is refused at once.
    void pipeInPlaceOfAWorkbookIsRefusedAtOnce()
    {
        QTemporaryDir dir;
        const QByteArray pipe = QFile::encodeName(dir.filePath("book.xlsx"));
        QVERIFY(mkfifo(pipe.constData(), 0600) == 0);
        // A reader that waited for a writer gets one now and then, so that
        // this test fails instead of hanging.
        std::atomic<bool> done{false};
        std::thread writer([&] {
            while (!done) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
        });
        const auto none = [](int, int, const QString&) {};
        const QString path = QFile::decodeName(pipe);
        const QStringList reasons = {workbook::readSheetCells(path, none), workbook::readXlsxCells(path, none),
                                     workbook::readXlsCells(path, none)};
        done = true;
        writer.join();
        QCOMPARE(reasons, QStringList(3, QStringLiteral("It is not a regular file.")));
    }

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
        // Re-zipped with zip64 headers.
        QTest::newRow("xlsx by zip -fz") << "cells-zip-fz.xlsx";
        QTest::newRow("xlsx by force_zip64") << "cells-force-zip64.xlsx";
    }
    void readsTypedCellsOfOtherWriters()
    {
        QFETCH(QString, file);
        QString error;
        const auto rows = workbook::readFirstSheet(dataFile(file), &error);
        QVERIFY2(rows, qPrintable(error));
        QCOMPARE(rows->size(), 2); // the first sheet only
        QCOMPARE(workbook::cell(*rows, 0, 0), QStringLiteral("text"));
        QCOMPARE(rows->at(1).mid(0, 9),
            QStringList(
                { "abc", "1234", "12.5", "7", "-5", "123456789012345", "0.001", "2024-03-05", "2024-12-15 07:08:09" }));
        // Trimmed, inner blank kept.
        QCOMPARE(rows->at(1).mid(11), QStringList({ "x y", QString::fromUtf8("Zürich 東京") }));
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
        // The 1900 system's first days, its fictitious leap day, and a last
        // second rounded up to the end of 9999.
        lxw_col_t column = 5;
        for (const double serial : { 1.0, 59.0, 60.0, 61.0 })
            worksheet_write_number(ws, 1, column++, serial, numFormat("yyyy-mm-dd"));
        worksheet_write_number(ws, 1, column++, 60.5, numFormat("yyyy-mm-dd hh:mm"));
        worksheet_write_number(ws, 1, column, 2958465.999994, numFormat("yyyy-mm-dd hh:mm"));
        QCOMPARE(workbook_close(wb), LXW_NO_ERROR);

        const auto rows = workbook::readFirstSheet(QFile::decodeName(path));
        QVERIFY(rows);
        QCOMPARE(rows->at(1),
            QStringList({ "\tX", "y\n", "07:12:00", "2024-03-05 07:12:00", "2024-03-05", "1900-01-01", "1900-02-28",
                "1900-02-29", "1900-03-01", "1900-02-29 12:00:00", "9999-12-31 23:59:59" }));
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
            << "r=\"$(ulimit -t) s, $(ulimit -v) kB\"; printf \"XLR1E\\0\\0\\0\\\\$(printf %o ${#r})%s\" \"$r\"" << 7
            << 60 << "7 s, 65536 kB";
        QTest::newRow("past its deadline")
            << "exec sleep 30" << 60 << 1 << "The reader did not finish within 1 seconds.";
        QTest::newRow("busy past its processor time")
            << "while :; do :; done" << 1 << 60 << "The reader used up its 1 seconds of processor time.";
        QTest::newRow("ends with an error") << "exit 3" << 60 << 60 << "The reader ended with exit code 3.";
        QTest::newRow("says nothing") << "exit 0" << 60 << 60 << "The reader's answer ends early.";
        QTest::newRow("a length not to trust") << "printf 'XLR1C\\377\\377\\377\\377'; exec sleep 30" << 60 << 60
                                               << "The reader's answer is malformed: a frame of 4294967295 bytes.";
        // 70 x 64 cells of 32,767 characters, all at A1.
        QTest::newRow("too much text")
            << "d=$(dirname \"$0\"); { printf 'C\\0\\0\\200\\5\\0\\0\\0\\0\\0\\0'; head -c 32767 /dev/zero | tr '\\0' x; } >$d/c\n"
               "for i in $(seq 64); do cat $d/c; done >$d/g; printf XLR1; for i in $(seq 70); do cat $d/g; done"
            << 60 << 60 << "The sheet is too large: its cells hold more than 134217728 characters of text.";
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
        QVERIFY(testing::writeFile(dir.filePath("reader"), "#!/bin/sh\n" + script.toUtf8() + "\n", 0500));
        const workbook::ReaderLimits limits { dir.filePath("reader"), 64 << 20, cpuSeconds, wallSeconds };
        QString error;
        QVERIFY(!workbook::readFirstSheet(dataFile("cells.xlsx"), &error, limits));
        QCOMPARE(error, "The file " + dataFile("cells.xlsx") + " is not a readable Excel workbook.\n" + reason);

        const QString none = dir.filePath("none");
        QVERIFY(!workbook::readFirstSheet(dataFile("cells.xlsx"), &error, { none }));
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

    // On a disk that fills at any point of the writing (the rows, the sheet
    // put together, the package), the workbook is whole or gone with the
    // disk full said, and the writing holds no disk space after it.
    void exportOnAFillingDisk()
    {
        TROVA_SMALL_FOLDER(disk, 1 << 20);
        disk.beTemporaryFolder(); // where the program's exports go
        const QString path = QDir(disk.path()).filePath("TROVA_abcdef.xlsx");
        const QString full
            = "The workbook " + path + " cannot be written: the disk of the folder " + disk.path() + " is full.";
        QStringList seen;
        for (const int rows : { 0, 100, 300, 600, 900, 1200, 1500, 2000, 3000, 5000 }) {
            QString error;
            if (workbook::writeExport(ManyRows(rows), workbook::SourceKind::Grid, {}, path, &error)) {
                const Rows sheet = workbook::readFirstSheet(path).value_or(Rows());
                QCOMPARE(sheet.size(), rows == 0 ? 0 : rows + 1);
                QVERIFY(rows == 0 || sheet.last().first() == QStringLiteral("Row %1 column 0 text").arg(rows - 1));
                QVERIFY(QFile::remove(path));
            }
            QVERIFY2(error.isEmpty() || error == full, qPrintable(error));
            QVERIFY2(disk.empty(), qPrintable(QString::number(rows)));
            seen << error;
        }
        QVERIFY(seen.contains("") && seen.contains(full));
    }

    // The program ends as an export's writing ends: its writer goes before
    // it hears of that end, and leaves no file.
    void exportEndedWithTheProgramLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("TROVA_abcdef.xlsx");
        {
            workbook::ExportWriter writer(workbook::snapshotOf(ManyRows(3)), workbook::SourceKind::Grid, {}, path);
            writer.start();
            // No event is handled here: the writer never hears that its thread ended.
            for (QDeadlineTimer until(60000); !QFile::exists(path + ".written") && !until.hasExpired();)
                QThread::msleep(5);
            QVERIFY(QFile::exists(path + ".written"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void exportLayout_data()
    {
        // The options as letters: l a list (else a grid), s first column
        // starred, d last column dropped, f rows filled by status, t title.
        QTest::addColumn<QString>("options");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("firstRowBelowPane");
        QTest::addColumn<QStringList>("looks");
        const QStringList table = { "Link No|Machine ID|Update Time", "L001|MC1|03/05/2024 07:08:09", "|MC2",
            "0042|A much longer machine name|x" };
        QTest::newRow("grid") << "" << table << "A2"
                              << QStringList { "A1=14 left", "C1=14", "A2=left", "B2=", "A3=left", "C3=-", "D1=-" };
        QTest::newRow("grid starred, last column dropped, filled by status")
            << "sdf"
            << QStringList { "Link No|Machine ID", "*L001*|MC1", "**|MC2", "*0042*|A much longer machine name" } << "A2"
            << QStringList { "A1=14 left", "C1=-", "A2=left CCFFFF", "B2=CCFFFF", "B3=FFFF99", "A4=left", "B4=" };
        QTest::newRow("grid under its title block")
            << "t"
            << QStringList { "Component Loading / Changes Record", "", "Project : PRJ1", "Part No :", "" } + table
            << "A7" << QStringList { "A1=14", "A6=left", "B6=", "A7=left" };
        QTest::newRow("list starred") << "ls"
                                      << QStringList { table[0], "*L001*|MC1|03/05/2024 07:08:09", "**|MC2",
                                             "*0042*|A much longer machine name|x" }
                                      << "A2" << QStringList { "A1=left", "B1=left", "B2=left", "C3=left" };
    }
    void exportLayout()
    {
        QFETCH(QString, options);
        QFETCH(QStringList, rows);
        QFETCH(QString, firstRowBelowPane);
        QFETCH(QStringList, looks);
        workbook::ExportOptions o;
        o.starFirstColumn = options.contains('s');
        o.dropLastColumn = options.contains('d');
        o.rowColourByStatus = options.contains('f');
        o.titleBlock = options.contains('t');
        o.project = "PRJ1";
        QTemporaryDir dir;
        const QString path = dir.filePath("export.xlsx");
        const auto kind = options.contains('l') ? workbook::SourceKind::List : workbook::SourceKind::Grid;
        QVERIFY(workbook::writeExport(ThreeRows(), kind, o, path));

        QStringList shown;
        for (const QStringList& row : workbook::readFirstSheet(path).value_or(Rows()))
            shown << row.join('|');
        QCOMPARE(shown, rows);
        const QString sheet = QString::fromUtf8(*workbook::xlsxPart(path, *workbook::xlsxFirstSheetPartName(path)));
        const QString styles = QString::fromUtf8(*workbook::xlsxPart(path, "xl/styles.xml"));
        QVERIFY(sheet.contains(
            QStringLiteral("topLeftCell=\"%1\" activePane=\"bottomLeft\" state=\"frozen\"").arg(firstRowBelowPane)));
        for (const QString& expected : looks) {
            const QString ref = expected.section('=', 0, 0);
            QCOMPARE(ref + "=" + look(sheet, styles, ref), expected);
        }
        QVERIFY(!styles.contains("wrapText"));
        // Widths follow the longest text of each column; the title does not
        // widen column A.
        const auto width = [&sheet](int column) {
            return QRegularExpression(QStringLiteral("<col min=\"%1\" max=\"%1\" width=\"([\\d.]+)\"").arg(column))
                .match(sheet)
                .captured(1)
                .toDouble();
        };
        QVERIFY2(width(1) > 5 && width(1) < 20, qPrintable(QString::number(width(1))));
        QVERIFY2(width(2) >= 26, qPrintable(QString::number(width(2))));
    }

    // Only a pair of marks around the value comes off, as the export puts it
    // on: a star at one end alone is part of the value.
    void starMarksComeOffInPairs()
    {
        for (const QString value : {"P1", "A*B", " PN-1 ", ""}) {
            QCOMPARE(workbook::withoutStarMarks('*' + value + '*'), value.trimmed());
            for (const QString& one : {'*' + value, value + '*'})
                QCOMPARE(workbook::withoutStarMarks(one), one.trimmed());
        }
    }
};

TROVA_TEST(WorkbookTest)
#include "tst_Workbook.moc"
