#include "DemoScreens.h"
#include "app/ErrorLog.h"
#include "ExcelExport.h"
#include "ExcelImport.h"
#include "app/Module1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "workbook/Workbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Module1::gConn;
using testing::ScriptedPrompter;

namespace {

ScriptedPrompter& prompter()
{
    return *ScriptedPrompter::current();
}

QString dataFile(const QString& name)
{
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../data/") + name);
}

QStringList machines()
{
    QStringList out;
    db::ResultSet rs = gConn().query("select mc_id, mc_desc, line_id from mc_info order by mc_id");
    for (; !rs.eof(); rs.moveNext())
        out << rs.text(0) + "|" + rs.text(1) + "|" + rs.text(2);
    return out;
}

QString logText()
{
    QFile f(Module1::ErrorLogPath());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

// Export and import as the screens use them: the workbook the export opens,
// read back; the import from files other programs wrote and from our own
// exports, with its messages, its log and its refusals.
class ExcelScreensTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_opened;
    bool m_openerWorks = true;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void initTestCase()
    {
        Module1::setExportFolder(m_dir.path());
        Module1::setWorkbookOpener([this](const QString& path) {
            m_opened << path;
            return m_openerWorks;
        });
    }
    void cleanupTestCase()
    {
        Module1::setExportFolder(QString());
        Module1::setWorkbookOpener([](const QString&) { return false; });
    }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        m_opened.clear();
        m_openerWorks = true;
    }

    void gridExportSkipsHiddenColumnAndOpensTheFile()
    {
        addLine("L1");
        gConn().exec("insert into mc_info (mc_id, mc_desc, line_id, update_user, update_time) "
                     "values ('MC1', 'one', 'L1', 'GHOST', sysdate)");
        DemoMachineScreen s;
        s.msfgMachine->setItem(0, 0, new QTableWidgetItem("hidden"));
        s.cmdexport->click();
        QCOMPARE(prompter().messages.size(), 0);
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_opened[0].endsWith(".xlsx"));
        const auto rows = workbook::readFirstSheet(m_opened[0]);
        QVERIFY(rows);
        QCOMPARE(rows->size(), 2);
        QCOMPARE(rows->at(0).first(), QStringLiteral("Machine ID"));
        QCOMPARE(rows->at(0).size(), 6);
        QCOMPARE(rows->at(1).mid(0, 4), QStringList({"MC1", "one", "L1", "GHOST"}));
        QCOMPARE(workbook::cell(*rows, 1, 4), QString()); // no user name
        // The grid is only read.
        QCOMPARE(s.msfgMachine->rowCount(), 1);
    }

    void listExportOfOneItem()
    {
        QTreeWidget list;
        list.setColumnCount(3);
        list.setHeaderLabels({"", "Group ID", "Description"});
        auto* item = new QTreeWidgetItem(&list);
        item->setText(0, "own text");
        item->setText(1, "G1");
        item->setText(2, "one");
        QVERIFY(Module1::ExportListToExcel(&list, Module1::ExportOption::DropLastColumn));
        const auto rows = workbook::readFirstSheet(m_opened.last());
        QVERIFY(rows);
        QCOMPARE(*rows, workbook::Rows({{"Group ID"}, {"G1"}}));
    }

    void oldExportsGoAtStartUp()
    {
        QTreeWidget list;
        list.setColumnCount(2);
        new QTreeWidgetItem(&list, {"", "G1"});
        QVERIFY(Module1::ExportListToExcel(&list));
        const QString fresh = m_opened.last();
        const QDateTime now = QDateTime::currentDateTime();
        auto oldFile = [&](const QString& name, int hoursAgo) {
            QFile f(QDir(m_dir.path()).filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.flush();
            QVERIFY(f.setFileTime(now.addSecs(-3600 * hoursAgo), QFileDevice::FileModificationTime));
        };
        oldFile("TROVA_ab12CD.xlsx", 25);
        oldFile("TROVA_yester.xlsx", 23); // not yet a day old
        oldFile("TROVA_keep.xlsx", 48); // not a name the export gives
        oldFile("plan.xlsx", 48);
        QCOMPARE(Module1::RemoveOldExports(now), 1);
        QVERIFY(!QFile::exists(QDir(m_dir.path()).filePath("TROVA_ab12CD.xlsx")));
        for (const char* kept : {"TROVA_yester.xlsx", "TROVA_keep.xlsx", "plan.xlsx"})
            QVERIFY(QFile::exists(QDir(m_dir.path()).filePath(kept)));
        QVERIFY(QFile::exists(fresh));
    }

    void exportFailuresAreShown()
    {
        QTableWidget grid(1, 2);
        grid.setItem(0, 1, new QTableWidgetItem("x"));
        m_openerWorks = false;
        QVERIFY(!Module1::ExportGridToExcel(&grid));
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QVERIFY(prompter().last().text.contains(".xlsx"));

        m_openerWorks = true;
        Module1::setExportFolder(m_dir.filePath("missing/folder"));
        const int opened = int(m_opened.size());
        QVERIFY(!Module1::ExportGridToExcel(&grid));
        Module1::setExportFolder(m_dir.path());
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.contains("missing"));
        QCOMPARE(m_opened.size(), opened);
    }

    void importFromOtherWriters_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx by openpyxl") << "machines.xlsx";
        QTest::newRow("xls by xlwt") << "machines.xls";
    }
    void importFromOtherWriters()
    {
        QFETCH(QString, file);
        addLine("L1");
        addLine("1001");
        DemoMachineScreen s;
        const int loads = s.loads;
        prompter().files.enqueue(dataFile(file));
        s.cmdImport->click();

        QCOMPARE(prompter().fileDialogFolders.last(), QDir::homePath());
        QCOMPARE(prompter().fileDialogFilters.last(), QStringLiteral("Excel Files (*.xls *.xlsx)"));
        QCOMPARE(machines(), QStringList({"1234|12.5|L1", "MC01|Mounter one|L1", "MC04|Placer|1001"}));
        QCOMPARE(prompter().texts(),
                 QStringList({"The success import 3 records.",
                              "Please check the error log file " + QDir::toNativeSeparators(Module1::ErrorLogPath())}));
        QCOMPARE(prompter().messages[0].title, msg::applicationTitle());
        QCOMPARE(prompter().messages[0].icon, msg::Icon::None);
        QVERIFY(logText().contains("  Cannot found the Line ID NOLINE\r\n"));
        QCOMPARE(logText().count('\n'), 1);
        QCOMPARE(s.loads, loads + 1);
        QCOMPARE(s.msfgMachine->rowCount(), 3);

        // Again: the same rows are updated, nothing new.
        prompter().clear();
        gConn().exec("update mc_info set mc_desc = 'old'");
        prompter().files.enqueue(dataFile(file));
        s.cmdImport_Click();
        QCOMPARE(prompter().texts().first(), QStringLiteral("The success import 3 records."));
        QCOMPARE(machines(), QStringList({"1234|12.5|L1", "MC01|Mounter one|L1", "MC04|Placer|1001"}));
    }

    void nothingToImportShowsNothing()
    {
        DemoMachineScreen s;
        const int loads = s.loads;
        s.cmdImport_Click(); // dialog cancelled
        QVERIFY(prompter().messages.isEmpty());

        // Every row refused: only the log pointer, no reload.
        QTableWidget grid(1, 4);
        grid.setItem(0, 1, new QTableWidgetItem("MC1"));
        grid.setItem(0, 3, new QTableWidgetItem("NOLINE"));
        QVERIFY(Module1::ExportGridToExcel(&grid));
        prompter().files.enqueue(m_opened.last());
        s.cmdImport_Click();
        QCOMPARE(prompter().texts().size(), 1);
        QVERIFY(prompter().texts().first().startsWith("Please check the error log file "));
        QCOMPARE(s.loads, loads);
        QVERIFY(machines().isEmpty());
    }

    void corruptFileIsRefusedAndNothingWritten()
    {
        addLine("L1");
        QFile good(dataFile("machines.xlsx"));
        QVERIFY(good.open(QIODevice::ReadOnly));
        QByteArray bytes = good.readAll();
        bytes.truncate(bytes.size() - 200); // the zip's directory is lost
        QFile bad(m_dir.filePath("broken.xlsx"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(bytes);
        bad.close();

        prompter().files.enqueue(bad.fileName());
        workbook::ImportLayout l;
        l.table = "mc_info";
        l.columns = {{"mc_id"}, {"mc_desc"}, {"line_id"}};
        l.keyColumns = {"mc_id"};
        bool reloaded = false;
        const auto out = Module1::ImportExcel(l, [&reloaded] { reloaded = true; });
        QVERIFY(!reloaded);
        QVERIFY(out.failed());
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QVERIFY(prompter().last().text.contains("broken.xlsx"));
        QVERIFY(prompter().last().text.contains("not a readable Excel workbook"));
        QVERIFY(machines().isEmpty());
        QVERIFY(logText().isEmpty());
    }

    void failureInTheMiddleSaysWhatWasStored()
    {
        addLine("L1");
        addLine("L2");
        QTableWidget grid(3, 4);
        const QStringList rows[] = {{"MC1", "a", "L1"}, {"MC2", "b", "L1"}, {"MC1", "c", "L2"}};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                grid.setItem(r, c + 1, new QTableWidgetItem(rows[r][c]));
        }
        QVERIFY(Module1::ExportGridToExcel(&grid));
        DemoMachineScreen s;
        const int loads = s.loads;
        prompter().files.enqueue(m_opened.last());
        s.cmdImport_Click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QVERIFY(prompter().last().text.endsWith("2 records were imported before the error."));
        QCOMPARE(machines().size(), 2);
        QCOMPARE(s.loads, loads);
    }
};

TROVA_TEST(ExcelScreensTest)
#include "tst_ExcelScreens.moc"
