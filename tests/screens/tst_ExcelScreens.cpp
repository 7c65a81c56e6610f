#include "DbRows.h"
#include "ExcelExport.h"
#include "ExcelImport.h"
#include "ExportCatcher.h"
#include "ScriptedPrompter.h"
#include "SmallFolder.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "ListTools.h"
#include "MainWindowFixture.h"
#include "Checks.h"
#include "Mtc_Line.h"
#include "QUERY_WIP.h"
#include "QueryModel.h"
#include "app/AppControl.h"
#include "frmMain.h"
#include "app/Module1.h"
#include "workbook/Workbook.h"

#include <QAccessible>
#include <QAction>
#include <QBoxLayout>
#include <QDateTimeEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QCheckBox>
#include <QLabel>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using testing::addLine;
using testing::prompter;

static QStringList machines()
{
    return testing::queryRows("select mc_id, mc_desc, line_id from mc_info order by mc_id");
}

// How a test stops the work of a screen while it runs.
enum class StopBy { Nothing, Close, Login, Quit };

// A screen as the export and import see one: a button, Exit, a list.
// A work that runs to its end, one whose screen is closed, one that a login
// as another user drops.
void stopByRows()
{
    QTest::addColumn<StopBy>("stopBy");
    QTest::newRow("runs") << StopBy::Nothing;
    QTest::newRow("closed") << StopBy::Close;
    QTest::newRow("another user") << StopBy::Login;
}

// Work a screen runs beside the event loop, and every road by which its
// screen goes while it runs.
enum class Work { Storing, Reread, Export, Search };
enum class Road { Mouse, Keys, Accessibility, Frame, MainExit, OtherUser, GrantGone };

struct WorkScreen {
    QWidget screen;
    QPushButton* button;
    QPushButton* exitButton;
    QTableWidget* grid;
    WorkScreen()
    {
        auto* layout = new QVBoxLayout(&screen);
        button = new QPushButton("Import", &screen);
        exitButton = new QPushButton("Exit", &screen);
        exitButton->setObjectName("cmdexit");
        grid = new QTableWidget(&screen);
        for (QWidget* w : std::initializer_list<QWidget*>{ button, exitButton, grid })
            layout->addWidget(w);
        screen.show();
    }
    // What the screen's busy bar says; empty when it shows none.
    QString busy(const char* name) const
    {
        const QWidget* bar = screen.findChild<QWidget*>(name);
        const QLabel* label = bar ? bar->findChild<QLabel*>() : nullptr;
        return label ? label->text() : QString();
    }
};

// Export and import under the screens: the list export's options, old
// exports cleared, failures shown; the import from files other programs
// wrote and from sheets of our own, with its messages, its log and its refusals.
class ExcelScreensTest : public testdb::Case {
    Q_OBJECT

    testing::ExportCatcher m_exports;
    int m_loads = 0;

    workbook::ImportOutcome import()
    {
        return Module1::ImportExcel(testing::machineImportLayout(), [this] { ++m_loads; });
    }

    void prepare() override
    {
        m_exports.clear();
        m_exports.openerWorks = true;
        m_loads = 0;
        Module1::setImportReader(QString());
    }

private Q_SLOTS:
    void listExportDropsOwnAndLastColumn()
    {
        QTreeWidget list;
        list.setColumnCount(3);
        list.setHeaderLabels({ "", "Group ID", "Description" });
        new QTreeWidgetItem(&list, { "own text", "G1", "one" });
        QVERIFY(Module1::ExportListToExcel(&list, Module1::ExportOption::DropLastColumn));
        QCOMPARE(m_exports.lastRows(), workbook::Rows({ { "Group ID" }, { "G1" } }));
    }

    // At start-up an export goes a day after it was written, unless the
    // user changed it since (saved in place, even at the same size and with
    // its time put back); a workbook the program did not write stays.
    void unchangedOldExportsGoAtStartUp()
    {
        QTemporaryDir folder;
        Module1::setExportFolder(folder.path());
        const auto restore = qScopeGuard([this] { Module1::setExportFolder(m_exports.folder()); });
        const QDir dir(folder.path());
        QTableWidget grid(1, 2);
        grid.setItem(0, 1, new QTableWidgetItem("x"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(Module1::ExportGridToExcel(&grid));
        const QStringList written = m_exports.opened;
        QCOMPARE(written.size(), 3);
        const QDateTime now = QDateTime::currentDateTime();

        QFile same(written[1]);
        const QDateTime time = QFileInfo(same).lastModified();
        QVERIFY(same.open(QIODevice::ReadWrite));
        QByteArray bytes = same.readAll();
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x20);
        QVERIFY(same.seek(0) && same.write(bytes) == bytes.size());
        same.close();
        QVERIFY(same.open(QIODevice::ReadWrite) && same.setFileTime(time, QFileDevice::FileModificationTime));
        same.close();
        QFile longer(written[2]);
        QVERIFY(longer.open(QIODevice::Append) && longer.write("edited") == 6);
        longer.close();
        QFile foreign(dir.filePath("TROVA_ab12CD.xlsx"));
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        QVERIFY(foreign.setFileTime(now.addDays(-2), QFileDevice::FileModificationTime));
        foreign.close();

        QCOMPARE(Module1::RemoveOldExports(now.addSecs(23 * 3600)), 0);
        QVERIFY(QFile::exists(written[0]));
        QCOMPARE(Module1::RemoveOldExports(now.addSecs(25 * 3600)), 1);
        QStringList left = dir.entryList(QDir::Files);
        left.sort();
        QStringList kept = {QFileInfo(written[1]).fileName(), QFileInfo(written[2]).fileName(), "TROVA_ab12CD.xlsx"};
        kept.sort();
        QCOMPARE(left, kept);
    }

    void exportFailuresAreShown()
    {
        QTableWidget grid(1, 2);
        grid.setItem(0, 1, new QTableWidgetItem("x"));
        // Taken by the desktop, which may still find nothing to open it
        // with: where it is, as information all the same.
        QVERIFY(Module1::ExportGridToExcel(&grid));
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(prompter().last().text,
            "The workbook was written to " + QDir::toNativeSeparators(m_exports.opened.last()) + ".");
        prompter().clear();

        m_exports.openerWorks = false;
        QVERIFY(!Module1::ExportGridToExcel(&grid));
        QCOMPARE(prompter().messages.size(), 1);
        // Written but opened by nothing: where it is, as information.
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QVERIFY(prompter().last().text.contains(QDir::toNativeSeparators(m_exports.opened.last())));

        m_exports.openerWorks = true;
        Module1::setExportFolder(QDir(m_exports.folder()).filePath("missing/folder"));
        const int opened = int(m_exports.opened.size());
        QVERIFY(!Module1::ExportGridToExcel(&grid));
        Module1::setExportFolder(m_exports.folder());
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.contains("missing"));
        QCOMPARE(m_exports.opened.size(), opened);
    }

    // The temporary folder on a disk that a long list fills: the export
    // says the disk is full, leaves nothing there and gives the space back
    // at once, so that a short export then goes through.
    void fullExportDiskIsSaid()
    {
        TROVA_SMALL_FOLDER(disk, 1 << 20);
        disk.beTemporaryFolder();
        Module1::setExportFolder(disk.path());
        const auto restore = qScopeGuard([this] { Module1::setExportFolder(m_exports.folder()); });
        QTableWidget grid(20000, 4);
        for (int r = 0; r < grid.rowCount(); ++r) {
            for (int c = 1; c < 4; ++c)
                grid.setItem(r, c, new QTableWidgetItem(QStringLiteral("row %1 column %2").arg(r).arg(c)));
        }
        QVERIFY(!Module1::ExportGridToExcel(&grid));
        const QString said = prompter().texts().join("");
        QVERIFY2(said.endsWith("cannot be written: the disk of the folder " + disk.path() + " is full."),
            qPrintable(said));
        QVERIFY(disk.empty());
        grid.setRowCount(1);
        QVERIFY(Module1::ExportGridToExcel(&grid));
        QCOMPARE(m_exports.lastRows().size(), 2);
    }

    // A file another program wrote, through the file dialog; a cancelled
    // dialog first, which writes and reloads nothing. (The .xls reader is the
    // workbook test's.)
    void importFromAnotherWriter()
    {
        QVERIFY(!import().failed());
        QVERIFY(prompter().messages.isEmpty());
        QCOMPARE(m_loads, 0);
        addLine("L1");
        addLine("1001");
        prompter().files.enqueue(testing::dataFile("machines.xlsx"));
        import();
        QCOMPARE(prompter().fileDialogFolders.last(), QDir::homePath());
        QCOMPARE(prompter().fileDialogFilters.last(), QStringLiteral("Excel Files (*.xls *.xlsx)"));
        // Keys trimmed, numbers as their text, nothing after the blank row.
        QCOMPARE(machines(), QStringList({ "1234|12.5|L1", "MC01|Mounter one|L1", "MC04|Placer|1001" }));
        QCOMPARE(prompter().texts(), QStringList({ "The success import 3 records.", testing::errorLogPointer() }));
        QCOMPARE(m_loads, 1);
    }

    // While a slow reader reads, events go on: the screen says it reads, its
    // buttons but Exit are off, and closing it asks. No keeps it reading and
    // its rows are stored; Yes stops the import, stores nothing and closes
    // the screen.
    void importWaitsForTheReaderWithoutHoldingTheScreen()
    {
        QTemporaryDir dir;
        const QString reader = testing::slowReader(dir.path(), 2);
        QVERIFY(!reader.isEmpty());
        Module1::setImportReader(reader);
        addLine("L1");
        addLine("1001");

        QWidget screen;
        auto* layout = new QVBoxLayout(&screen);
        auto* importButton = new QPushButton("Import", &screen);
        auto* exitButton = new QPushButton("Exit", &screen);
        auto* viewAll = new QCheckBox("View All", &screen);
        for (QWidget* w : std::initializer_list<QWidget*>{importButton, exitButton, viewAll})
            layout->addWidget(w);
        screen.show();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);

        QStringList seen;
        const auto closeWhileReading = [&](msg::Answer answer) {
            QTimer::singleShot(500, &screen, [&, answer] {
                seen = { importButton->isEnabled() ? "import on" : "import off",
                    exitButton->isEnabled() ? "exit on" : "exit off", viewAll->isEnabled() ? "box on" : "box off",
                    screen.findChild<QWidget*>("importBusy") ? "busy" : "-" };
                prompter().answers << answer;
                screen.close();
            });
        };
        const auto run = [&] {
            return Module1::ImportExcelFile(
                testing::dataFile("machines.xlsx"), testing::machineImportLayout(), [this] { ++m_loads; }, &screen,
                exitButton);
        };

        closeWhileReading(msg::Answer::No);
        const workbook::ImportOutcome kept = run();
        QCOMPARE(seen, QStringList({ "import off", "exit on", "box off", "busy" }));
        QVERIFY2(ticks > 50, qPrintable(QString::number(ticks)));
        QCOMPARE(kept.stored, 3);
        QCOMPARE(prompter().texts().first(), QStringLiteral("The workbook is still being read. Stop the import?"));
        QVERIFY(screen.isVisible());
        QVERIFY(importButton->isEnabled() && viewAll->isEnabled());
        QVERIFY(!screen.findChild<QWidget*>("importBusy"));

        Module1::gConn().exec("delete from mc_info");
        prompter().clear();
        closeWhileReading(msg::Answer::Yes);
        const workbook::ImportOutcome stopped = run();
        QVERIFY(stopped.failed());
        QCOMPARE(prompter().texts(), QStringList({ "The workbook is still being read. Stop the import?" }));
        QVERIFY(machines().isEmpty());
        QTRY_VERIFY(!screen.isVisible());
        QCOMPARE(m_loads, 1);
    }

    // The log on a disk that fills: the import stops at the refused row
    // whose line the disk refuses and says which line was lost; the log
    // keeps whole lines.
    void fullLogDiskIsSaid()
    {
        TROVA_SMALL_FOLDER(disk, 64 * 1024);
        AppSettings s = Module1::settings();
        s.logFolder = disk.path();
        Module1::setSettings(s);
        QList<QStringList> sheet = { { "Machine", "Description", "Line" } };
        for (int r = 0; r < 3000; ++r)
            sheet << QStringList{ QStringLiteral("M%1").arg(r), "d", QStringLiteral("L%1").arg(r) };
        prompter().files.enqueue(m_exports.writeSheet("unknown.xlsx", sheet));
        const workbook::ImportOutcome out = import();
        const QStringList logged = testing::errorLogLines();
        QVERIFY(!logged.isEmpty() && logged.size() < 3000);
        QVERIFY(testing::errorLogText().endsWith("\r\n"));
        QCOMPARE(logged.last(), QStringLiteral("Cannot found the Line ID L%1").arg(logged.size() - 1));
        QCOMPARE(out.rejected, logged.size());
        QCOMPARE(prompter().texts(),
            QStringList({ QStringLiteral("The error log %1 cannot be written: No space left on device. 1 line was "
                                         "lost: Cannot found the Line ID L%2\n\n0 records were imported before the "
                                         "error.")
                              .arg(QDir::toNativeSeparators(Module1::ErrorLogPath()))
                              .arg(logged.size()) }));
    }

    // A row the database refuses stops the import; the rows before it stay
    // and are listed.
    void failureInTheMiddleSaysWhatWasStored()
    {
        addLine("L1");
        addLine("L2");
        // The third row repeats the first machine under another line.
        const QList<QStringList> rows
            = { { "A", "B", "C" }, { "MC1", "a", "L1" }, { "MC2", "b", "L1" }, { "MC1", "c", "L2" } };
        prompter().files.enqueue(m_exports.writeSheet("three.xlsx", rows));
        import();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QVERIFY(prompter().last().text.endsWith("2 records were imported before the error."));
        QCOMPARE(machines().size(), 2);
        // The rows stored before the failure show.
        QCOMPARE(m_loads, 1);
    }

    // The workbook is written while events go on: a timer keeps firing while
    // the screen shows the writing, its button off and Exit on. Closing the
    // screen or a login as another user stops it: nothing is opened or told,
    // no file is left, and a closed screen closes once the export has ended.
    void exportWritesWhileEventsGoOn_data()
    {
        stopByRows();
        QTest::newRow("program ends") << StopBy::Quit;
    }
    void exportWritesWhileEventsGoOn()
    {
        QFETCH(StopBy, stopBy);
        constexpr int rows = 30000;
        WorkScreen w;
        w.grid->setRowCount(rows);
        w.grid->setColumnCount(3);
        for (int r = 0; r < rows; ++r) {
            w.grid->setItem(r, 1, new QTableWidgetItem(QString::number(r)));
            w.grid->setItem(r, 2, new QTableWidgetItem("row"));
        }
        int ticks = 0;
        QStringList seen;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (w.busy("exportBusy").isEmpty())
                return;
            if (ticks++ == 0) {
                seen = { w.button->isEnabled() ? "button on" : "button off",
                    w.exitButton->isEnabled() ? "exit on" : "exit off", w.busy("exportBusy") };
                if (stopBy == StopBy::Close)
                    w.screen.close();
                else if (stopBy == StopBy::Login)
                    Module1::DropExport(&w.screen);
                else if (stopBy == StopBy::Quit)
                    QCoreApplication::exit(0);
            }
        });
        ticker.start(1);
        const QStringList before = QDir(m_exports.folder()).entryList({ "*.xlsx" });

        const bool opened = Module1::ExportGridToExcel(w.grid);
        if (stopBy == StopBy::Quit) {
            // The event loops may run again for the tests that follow.
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
        QVERIFY(ticks > 0);
        QCOMPARE(seen, QStringList({ "button off", "exit on", "Writing the workbook ..." }));
        QVERIFY(w.button->isEnabled());
        QVERIFY(w.busy("exportBusy").isEmpty());
        if (stopBy == StopBy::Nothing) {
            QVERIFY(opened);
            const workbook::Rows sheet = m_exports.lastRows();
            QCOMPARE(sheet.size(), rows + 1);
            QCOMPARE(sheet.last(), QStringList({ QString::number(rows - 1), "row" }));
            QCOMPARE(prompter().texts(),
                QStringList({ "The workbook was written to " + QDir::toNativeSeparators(m_exports.last()) + "." }));
            return;
        }
        QVERIFY(!opened);
        QVERIFY(m_exports.opened.isEmpty());
        QVERIFY(prompter().messages.isEmpty());
        QCOMPARE(QDir(m_exports.folder()).entryList({ "*.xlsx" }), before);
        if (stopBy == StopBy::Close)
            QTRY_VERIFY(!w.screen.isVisible());
        else
            QVERIFY(w.screen.isVisible());
    }

    // The rows are stored while events go on: a timer keeps firing while the
    // screen says it stores. Stopped meanwhile (the user closing the screen
    // and answering Yes, a login as another user), the rows stored so far
    // stay whole, and only the user who stopped it is told how many.
    void importStoresWhileEventsGoOn_data() { stopByRows(); }
    void importStoresWhileEventsGoOn()
    {
        QFETCH(StopBy, stopBy);
        constexpr int rows = 1500;
        addLine("L1");
        QList<QStringList> sheet = { { "Machine", "Description", "Line" } };
        for (int r = 0; r < rows; ++r)
            sheet << QStringList{ QStringLiteral("M%1").arg(r, 4, 10, QLatin1Char('0')), "d", "L1" };
        const QString path = m_exports.writeSheet("many.xlsx", sheet);
        WorkScreen w;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (w.busy("importBusy") != "Storing the rows ...")
                return;
            if (ticks++ == 0) {
                if (stopBy == StopBy::Close)
                    w.screen.close();
                else if (stopBy == StopBy::Login)
                    Module1::DropImport(&w.screen);
            }
        });
        ticker.start(1);
        // Every 500th row takes longer than a slice, so the run yields
        // whatever the speed of the machine.
        workbook::ImportLayout layout = testing::machineImportLayout();
        layout.checks << [](const QStringList& cells) {
            if (cells[0].endsWith("500") || cells[0].endsWith("000"))
                QThread::msleep(60);
            return QString();
        };

        const workbook::ImportOutcome out
            = Module1::ImportExcelFile(path, layout, [this] { ++m_loads; }, &w.screen, w.exitButton);
        QVERIFY(ticks > 0);
        QVERIFY(w.button->isEnabled());
        const int stored = int(machines().size());
        QCOMPARE(stored, out.stored);
        if (stopBy == StopBy::Nothing) {
            QVERIFY2(!out.failed(), qPrintable(out.error));
            QCOMPARE(stored, rows);
            QCOMPARE(prompter().texts(), QStringList({ "The success import 1500 records." }));
            QCOMPARE(m_loads, 1);
            return;
        }
        QVERIFY(out.failed());
        QVERIFY(stored < rows);
        QCOMPARE(m_loads, 0);
        if (stopBy == StopBy::Login) {
            QVERIFY(prompter().messages.isEmpty());
            QVERIFY(w.screen.isVisible());
            return;
        }
        QCOMPARE(prompter().texts(),
            QStringList({ "The rows are still being stored. Stop the import?",
                QStringLiteral("The import was stopped. %1 records were imported before it stopped.").arg(stored) }));
        QTRY_VERIFY(!w.screen.isVisible());
    }

    // Rows are stored only from the import's own loop, never while a box
    // opened above it waits (its handler may be in a transaction of its
    // own). Stopped then, the count said is that of the rows stored, the
    // refused ones not among them.
    void importWaitsUnderABoxAndCountsOnlyStoredRows()
    {
        addLine("L1");
        QList<QStringList> sheet = { { "Machine", "Description", "Line" } };
        for (int r = 0; r < 1500; ++r)
            sheet << QStringList{ QStringLiteral("M%1").arg(r, 4, 10, QLatin1Char('0')), "d", r % 2 ? "L1" : "L9" };
        const QString path = m_exports.writeSheet("half.xlsx", sheet);
        workbook::ImportLayout layout = testing::machineImportLayout();
        layout.checks << [](const QStringList& cells) {
            if (cells[0].endsWith("01"))
                QThread::msleep(60); // the run yields whatever the speed of the machine
            return QString();
        };
        WorkScreen w;
        qsizetype storedUnderBox = -1;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (storedUnderBox >= 0 || w.busy("importBusy") != "Storing the rows ...")
                return;
            const qsizetype before = machines().size();
            if (before == 0)
                return;
            QEventLoop box;
            QTimer::singleShot(300, &box, &QEventLoop::quit);
            box.exec();
            storedUnderBox = machines().size() - before;
            w.screen.close();
        });
        ticker.start(1);

        const workbook::ImportOutcome out = Module1::ImportExcelFile(path, layout, {}, &w.screen, w.exitButton);
        QCOMPARE(storedUnderBox, 0);
        const qsizetype stored = machines().size();
        QVERIFY(out.rejected > 0 && stored < 750);
        QCOMPARE(prompter().texts().mid(0, 2),
            QStringList({ "The rows are still being stored. Stop the import?",
                QStringLiteral("The import was stopped. %1 records were imported before it stopped.").arg(stored) }));
    }

    // Whatever road the screen goes by while its work runs (rows stored, the
    // list read again after them, a workbook written), the work stops and
    // the program lives: a close waits for the work's handler, a close asked
    // while a box waits comes once it is answered (the list read again
    // meanwhile), the storing asks first, also at the main window's Exit,
    // and says what it stored; a login as another user stops it silently.
    void workStopsWhenItsScreenGoes_data()
    {
        QTest::addColumn<Work>("work");
        QTest::addColumn<Road>("road");
        const std::pair<Work, const char*> works[]
            = { { Work::Storing, "storing" }, { Work::Reread, "re-read" }, { Work::Export, "export" },
                  { Work::Search, "search" } };
        const std::pair<Road, const char*> roads[] = { { Road::Mouse, "mouse" }, { Road::Keys, "keys" },
            { Road::Accessibility, "accessibility" }, { Road::Frame, "frame" }, { Road::MainExit, "main exit" },
            { Road::OtherUser, "another user" }, { Road::GrantGone, "grant gone" } };
        for (const auto& [work, w] : works) {
            for (const auto& [road, r] : roads)
                QTest::addRow("%s, %s", w, r) << work << road;
        }
    }
    void workStopsWhenItsScreenGoes()
    {
        QFETCH(Work, work);
        QFETCH(Road, road);
        constexpr int listed = 60000;
        constexpr int imported = 2000;
        Module1::setSliceMs(0);
        int ended = 0;
        // As the program ends: every event loop left.
        app::setEndProgramHandler([&ended](int) {
            ++ended;
            QCoreApplication::exit(0);
        });
        const auto restore = qScopeGuard([&ended] {
            Module1::setSliceMs(50);
            app::setEndProgramHandler(nullptr);
            prompter().onMessage = nullptr;
            // An event loop runs again only once the application's own has
            // been entered and left.
            if (ended > 0) {
                QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
                QCoreApplication::exec();
            }
        });
        MainWindowFixture::addUser("KEEPER", "Keeper", "KEEP", { "MAN_LINE", "QY_WIP" });
        MainWindowFixture::addUser("OUTSIDER", "Outsider", "OUT", { "MAN_PROJECT" });
        const QDateTime checked(QDate(2026, 1, 1), QTime(10, 0));
        if (work == Work::Search) {
            db::Transaction t(gConn());
            gConn().exec("insert into part_info (part_no, proj_id) values ('P1', 'PR')");
            for (int i = 0; i < 3000; ++i)
                testing::addCheck({ .time = checked, .slot = QStringLiteral("S%1").arg(i), .user = "SYSADMIN" });
            t.commit();
        }
        gConn().exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < ?) "
                                    "insert into line_info (line_id, line_desc) select 'P' || i, 'listed' from n"),
            { listed - 1 });
        QList<QStringList> sheet = { { "Line", "Description" } };
        for (int r = 0; r < imported; ++r)
            sheet << QStringList{ QStringLiteral("W%1").arg(r), "imported" };
        const QString path = m_exports.writeSheet("lines.xlsx", sheet);

        const QString item = work == Work::Search ? "QY_WIP" : "Man_Line";
        TROVA_OPEN_SCREEN(f, opened, QWidget, item);
        QPointer<QWidget> s(opened);
        auto* lines = qobject_cast<Mtc_Line*>(opened);
        auto* wip = qobject_cast<QUERY_WIP*>(opened);
        QAbstractButton* exitButton = nullptr;
        for (QAbstractButton* b : s->findChildren<QAbstractButton*>()) {
            if (b->text().remove('&') == "Exit")
                exitButton = b;
        }
        QVERIFY(exitButton);
        const auto button = [&](const QString& caption) {
            for (QAbstractButton* b : s->findChildren<QAbstractButton*>()) {
                if (b->text().remove('&') == caption)
                    return b;
            }
            return static_cast<QAbstractButton*>(nullptr);
        };
        bool taken = false;
        const auto takeRoad = [&] {
            taken = true;
            switch (road) {
            case Road::Mouse:
                QTest::mouseClick(exitButton, Qt::LeftButton);
                break;
            case Road::Keys:
                exitButton->setFocus();
                QTest::keyClick(exitButton, Qt::Key_Space);
                break;
            case Road::Accessibility:
                // As a screen reader presses it.
                QAccessible::queryAccessibleInterface(exitButton)->actionInterface()->doAction(
                    QAccessibleActionInterface::pressAction());
                break;
            case Road::Frame:
                qobject_cast<QMdiSubWindow*>(s->parentWidget())->close();
                break;
            case Road::MainExit:
                f.main()->toolbarButton(13)->trigger();
                break;
            case Road::OtherUser:
                QVERIFY(f.relogIn("KEEPER", "KEEPER"));
                break;
            case Road::GrantGone:
                QVERIFY(f.relogIn("OUTSIDER", "OUTSIDER"));
                break;
            }
        };
        const bool closes = road != Road::MainExit && road != Road::OtherUser;
        bool rereading = false;
        prompter().onMessage = [&](const msg::Message& m) {
            if (!m.text.startsWith("The success import"))
                return;
            rereading = true;
            // Pressed while the box waits: the close comes once it is
            // answered, while the list is read again.
            if (work == Work::Reread && closes && road != Road::GrantGone)
                takeRoad();
        };
        const auto busy = [&](const char* name) {
            const QWidget* bar = s ? s->findChild<QWidget*>(name) : nullptr;
            const QLabel* label = bar ? bar->findChild<QLabel*>() : nullptr;
            return label ? label->text() : QString();
        };
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (taken || !s)
                return;
            if ((work == Work::Storing && busy("importBusy") == "Storing the rows ...")
                || (work == Work::Export && busy("exportBusy") == "Writing the workbook ...")
                || (work == Work::Reread && rereading && lines->msfgLine->rowCount() > 0)
                || (work == Work::Search && wip->runner()->running() && wip->model()->rowCount() > 0))
                takeRoad();
        });
        poll.start(0);
        prompter().clear();
        if (work == Work::Search) {
            wip->DTfrom()->setDateTime(checked.addSecs(-3600));
            wip->DTto()->setDateTime(checked.addSecs(3600));
            QTest::mouseClick(wip->cmdsearch(), Qt::LeftButton);
            QTRY_VERIFY(taken);
        } else if (work == Work::Export) {
            QTest::mouseClick(button("Export"), Qt::LeftButton);
        } else {
            prompter().files.enqueue(path);
            QTest::mouseClick(button("Import"), Qt::LeftButton);
        }
        QVERIFY(taken);
        if (closes)
            QTRY_VERIFY(!f.main()->screenInstance(item));
        if (work == Work::Search && road != Road::MainExit && road != Road::OtherUser)
            QTRY_COMPARE(query::SearchThread::running(), 0);
        if (road == Road::MainExit)
            QTRY_COMPARE(ended, 1);
        const int stored = int(gConn().count("select count(*) from line_info where line_id like 'W%'"));
        const QString stoppedText
            = QStringLiteral("The import was stopped. %1 records were imported before it stopped.").arg(stored);
        if (work == Work::Storing) {
            QVERIFY(stored < imported);
            const bool asks = road != Road::OtherUser && road != Road::GrantGone;
            QCOMPARE(prompter().texts(), asks ? QStringList({ "The rows are still being stored. Stop the import?",
                                                    stoppedText })
                                              : QStringList());
        }
        if (work == Work::Export && road != Road::MainExit)
            QVERIFY(m_exports.opened.isEmpty());
        if (road == Road::OtherUser && lines) {
            // The screen stays, its list whole for the new user.
            QVERIFY(s);
            QTRY_COMPARE(lines->msfgLine->rowCount(), int(gConn().count("select count(*) from line_info")));
            QVERIFY(!s->findChild<QWidget*>("importBusy") && !s->findChild<QWidget*>("exportBusy"));
        }
    }

    // The list read again after an import may be very long: its fill lets
    // timers and sockets run.
    void reloadAfterImportLetsOtherWorkRun()
    {
        addLine("L1");
        const QString path = m_exports.writeSheet("one.xlsx", { { "Machine", "Description", "Line" }, { "M1", "d", "L1" } });
        WorkScreen w;
        QTableWidget grid(0, 3);
        QVector<QVector<QVariant>> rows(300000, QVector<QVariant>{ QStringLiteral("M"), QStringLiteral("d") });
        const db::ResultSet big({ "machine", "line" }, std::move(rows));
        bool filling = false;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ticks += filling ? 1 : 0; });
        ticker.start(1);
        const auto reload = [&] {
            filling = true;
            Module1::FillGrid(&grid, big);
            filling = false;
        };
        Module1::ImportExcelFile(path, testing::machineImportLayout(), reload, &w.screen, w.exitButton);
        QCOMPARE(grid.rowCount(), 300000);
        QCOMPARE(grid.item(299999, 2)->text(), QString("d"));
        QVERIFY(ticks > 0);
    }
};

TROVA_TEST(ExcelScreensTest)
#include "tst_ExcelScreens.moc"
