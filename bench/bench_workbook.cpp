// Export of a 100,000-row grid beside a bare libxlsxwriter loop writing the
// same cells, and the import of a 10,000-row sheet (read in the reader
// program, as every import is) beside a bare insert loop on the same
// database (SQLite in a temporary folder, or the PostgreSQL of
// TROVA_TEST_PG_HOST/PORT/USER when it is set).
#include "BenchSupport.h"
#include "ExcelExport.h"
#include "ExcelImport.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "db/Schema.h"
#include "workbook/WorkbookExport.h"

#include "TestDb.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

#include <xlsxwriter.h>

namespace {

constexpr int kExportRows = 100000;
constexpr int kImportRows = 10000;
const QStringList kHeaders = {"Link No", "Machine ID", "Module ID", "Slot ID", "User ID", "User Name", "Update Time"};

QTemporaryDir& tempDir()
{
    static QTemporaryDir d;
    return d;
}

QString cellText(int row, int column)
{
    switch (column) {
    case 0: return QStringLiteral("L%1").arg(row, 6, 10, QLatin1Char('0'));
    case 1: return QStringLiteral("MACHINE-%1").arg(row % 37);
    case 2: return QStringLiteral("M%1").arg(row % 5);
    case 3: return QStringLiteral("S%1").arg(row % 80);
    case 4: return QStringLiteral("SYSADMIN");
    case 5: return QStringLiteral("System Administrator");
    default: return QStringLiteral("03/05/2024 07:%1:%2").arg(row / 60 % 60, 2, 10, QLatin1Char('0')).arg(row % 60, 2, 10, QLatin1Char('0'));
    }
}

QTableWidget& bigGrid()
{
    static QTableWidget* grid = [] {
        auto* g = new QTableWidget(kExportRows, int(kHeaders.size()) + 1);
        g->setHorizontalHeaderLabels(QStringList{QString()} + kHeaders);
        g->setColumnHidden(0, true);
        for (int r = 0; r < kExportRows; ++r) {
            for (int c = 0; c < kHeaders.size(); ++c)
                g->setItem(r, c + 1, new QTableWidgetItem(cellText(r, c)));
        }
        return g;
    }();
    return *grid;
}

void BM_ExportGridToExcel(benchmark::State& state)
{
    QTableWidget& grid = bigGrid();
    Module1::setExportFolder(tempDir().path());
    QString last;
    Module1::setWorkbookOpener([&last](const QString& path) {
        last = path;
        return true;
    });
    for (auto _ : state) {
        if (!Module1::ExportGridToExcel(&grid))
            state.SkipWithError("export failed");
        state.PauseTiming();
        QFile::remove(last);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kExportRows);
}

// The common export: a short list, where the checks of a whole workbook
// (its rows' file, the room for the sheet, the sheet's size read back) weigh
// most.
void BM_ExportShortList(benchmark::State& state)
{
    class Few : public workbook::TableSource
    {
    public:
        int rowCount() const override { return 20; }
        int columnCount() const override { return 6; }
        QString header(int c) const override { return QStringLiteral("Column %1").arg(c); }
        QString text(int r, int c) const override { return QStringLiteral("R%1C%2").arg(r).arg(c); }
    };
    const QString path = QDir(tempDir().path()).filePath("short.xlsx");
    for (auto _ : state) {
        if (!workbook::writeExport(Few(), workbook::SourceKind::Grid, {}, path))
            state.SkipWithError("export failed");
    }
    QFile::remove(path);
}

void bareLoop(benchmark::State& state, bool constantMemory)
{
    // The same cells, already as UTF-8, straight into libxlsxwriter.
    std::vector<std::string> cells;
    cells.reserve(size_t(kExportRows + 1) * size_t(kHeaders.size()));
    for (const QString& h : kHeaders)
        cells.push_back(h.toStdString());
    for (int r = 0; r < kExportRows; ++r) {
        for (int c = 0; c < kHeaders.size(); ++c)
            cells.push_back(cellText(r, c).toStdString());
    }
    const std::string path = QDir(tempDir().path()).filePath("bare.xlsx").toStdString();
    const size_t columns = size_t(kHeaders.size());
    for (auto _ : state) {
        lxw_workbook_options o{};
        o.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
        lxw_workbook* wb = workbook_new_opt(path.c_str(), &o);
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        for (size_t i = 0; i < cells.size(); ++i)
            worksheet_write_string(ws, lxw_row_t(i / columns), lxw_col_t(i % columns), cells[i].c_str(), nullptr);
        if (workbook_close(wb) != LXW_NO_ERROR)
            state.SkipWithError("bare write failed");
    }
    state.SetItemsProcessed(state.iterations() * kExportRows);
}

void BM_BareXlsxWriter(benchmark::State& state)
{
    bareLoop(state, false);
}

void BM_BareXlsxWriterConstantMemory(benchmark::State& state)
{
    bareLoop(state, true);
}

// Messages of the import are answered silently.
class QuietPrompter : public msg::Prompter
{
public:
    msg::Answer message(const msg::Message&) override { return msg::Answer::Ok; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
};

QString g_pgDatabase;

void dropPgDatabase()
{
    Module1::gConn().close();
    if (g_pgDatabase.isEmpty())
        return;
    try {
        testdb::adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(g_pgDatabase));
    } catch (...) {
    }
}

bool openDatabase()
{
    static bool opened = [] {
        AppSettings s;
        if (!qEnvironmentVariableIsEmpty("TROVA_TEST_PG_HOST")) {
            g_pgDatabase = QStringLiteral("trova_bench_%1").arg(QCoreApplication::applicationPid());
            testdb::adminExec(QStringLiteral("CREATE DATABASE %1").arg(g_pgDatabase));
            s.connection = testdb::pgSettings(g_pgDatabase);
            std::atexit(dropPgDatabase);
        } else {
            s.connection.database = QDir(tempDir().path()).filePath("bench.sqlite");
        }
        s.logFolder = tempDir().path();
        Module1::setSettings(s);
        if (!Module1::gConn().open(s.connection))
            return false;
        schema::ensure(Module1::gConn());
        Module1::gUserID = QStringLiteral("SYSADMIN");
        return true;
    }();
    return opened;
}

QString importSheet()
{
    static QString path = [] {
        class Lines : public workbook::TableSource
        {
        public:
            int rowCount() const override { return kImportRows; }
            int columnCount() const override { return 2; }
            QString header(int c) const override { return c == 0 ? "Line ID" : "Description"; }
            QString text(int r, int c) const override
            {
                return c == 0 ? QStringLiteral("L%1").arg(r, 5, 10, QLatin1Char('0')) : QStringLiteral("line %1").arg(r);
            }
        };
        const QString p = QDir(tempDir().path()).filePath("lines.xlsx");
        workbook::writeExport(Lines(), workbook::SourceKind::List, {}, p);
        return p;
    }();
    return path;
}

workbook::ImportLayout lineLayout()
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("line_info");
    l.columns = {{QStringLiteral("line_id")}, {QStringLiteral("line_desc")}};
    l.keyColumns = {QStringLiteral("line_id")};
    l.updateColumns = {QStringLiteral("line_desc")};
    return l;
}

void BM_ImportExcel(benchmark::State& state)
{
    if (!openDatabase()) {
        state.SkipWithError("no database");
        return;
    }
    const QString path = importSheet();
    QuietPrompter quiet;
    msg::setPrompter(&quiet);
    for (auto _ : state) {
        state.PauseTiming();
        Module1::gConn().exec(QStringLiteral("delete from line_info"));
        state.ResumeTiming();
        const auto out = Module1::ImportExcelFile(path, lineLayout(), {});
        if (out.stored != kImportRows)
            state.SkipWithError("import stored the wrong count");
    }
    msg::setPrompter(nullptr);
    state.SetItemsProcessed(state.iterations() * kImportRows);
}

void BM_BareInsertLoop(benchmark::State& state)
{
    if (!openDatabase()) {
        state.SkipWithError("no database");
        return;
    }
    std::vector<std::pair<QString, QString>> rows;
    for (int r = 0; r < kImportRows; ++r)
        rows.emplace_back(QStringLiteral("L%1").arg(r, 5, 10, QLatin1Char('0')), QStringLiteral("line %1").arg(r));
    for (auto _ : state) {
        state.PauseTiming();
        Module1::gConn().exec(QStringLiteral("delete from line_info"));
        state.ResumeTiming();
        for (const auto& [id, desc] : rows)
            Module1::gConn().exec(QStringLiteral("insert into line_info (line_id, line_desc, update_user, update_time) "
                                                 "values (?, ?, ?, sysdate)"),
                                  {id, desc, Module1::gUserID});
    }
    state.SetItemsProcessed(state.iterations() * kImportRows);
}

} // namespace

BENCHMARK(BM_ExportGridToExcel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportShortList)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_BareXlsxWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareXlsxWriterConstantMemory)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportExcel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareInsertLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Module1::gConn().close();
    return 0;
}
