#include "ExcelExport.h"

#include "BusyScreen.h"
#include "app/MessageLayer.h"
#include "workbook/ExportRecord.h"
#include "workbook/ExportWriter.h"
#include "workbook/WorkbookExport.h"

#include <QAbstractItemModel>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

namespace Module1 {

namespace {

WorkbookOpener& opener()
{
    static WorkbookOpener o = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    return o;
}

QString& exportFolder()
{
    static QString folder;
    return folder;
}

QString folderInUse()
{
    return exportFolder().isEmpty() ? QDir::tempPath() : exportFolder();
}

// The name newWorkbookPath gives: the prefix, six generated characters.
const QRegularExpression& exportName()
{
    static const QRegularExpression re(QStringLiteral("^TROVA_[A-Za-z0-9]{6}\\.xlsx$"));
    return re;
}

class GridSource : public workbook::TableSource
{
public:
    explicit GridSource(const QTableWidget* g) : m_grid(g) {}
    int rowCount() const override { return m_grid->rowCount(); }
    int columnCount() const override { return std::max(0, m_grid->columnCount() - 1); }
    QString header(int column) const override { return headerText(column + 1); }
    QString text(int row, int column) const override
    {
        const QTableWidgetItem* item = m_grid->item(row, column + 1);
        return item ? item->text() : QString();
    }
    QString status(int row) const override
    {
        if (row < 0)
            return headerText(0);
        const QTableWidgetItem* item = m_grid->item(row, 0);
        return item ? item->text() : QString();
    }

private:
    QString headerText(int column) const
    {
        const QTableWidgetItem* h = m_grid->horizontalHeaderItem(column);
        return h ? h->text() : QString();
    }
    const QTableWidget* m_grid;
};

class ListSource : public workbook::TableSource
{
public:
    explicit ListSource(const QTreeWidget* l) : m_list(l) {}
    int rowCount() const override { return m_list->topLevelItemCount(); }
    int columnCount() const override { return std::max(0, m_list->columnCount() - 1); }
    QString header(int column) const override { return m_list->headerItem()->text(column + 1); }
    QString text(int row, int column) const override { return m_list->topLevelItem(row)->text(column + 1); }

private:
    const QTreeWidget* m_list;
};

class ModelSource : public workbook::TableSource
{
public:
    explicit ModelSource(const QAbstractItemModel* m) : m_model(m) {}
    int rowCount() const override { return m_model->rowCount(); }
    int columnCount() const override { return std::max(0, m_model->columnCount() - 1); }
    QString header(int column) const override
    {
        return m_model->headerData(column + 1, Qt::Horizontal).toString();
    }
    QString text(int row, int column) const override
    {
        return m_model->data(m_model->index(row, column + 1)).toString();
    }
    QString status(int row) const override
    {
        if (row < 0)
            return m_model->headerData(0, Qt::Horizontal).toString();
        return m_model->data(m_model->index(row, 0)).toString();
    }

private:
    const QAbstractItemModel* m_model;
};

// A new file name in the export folder, kept after the export so that the
// application that opens it can read it.
QString newWorkbookPath(QString* error)
{
    const QString folder = folderInUse();
    QTemporaryFile f(QDir(folder).filePath(QStringLiteral("TROVA_XXXXXX.xlsx")));
    f.setAutoRemove(false);
    if (!f.open()) {
        *error = QStringLiteral("A new workbook cannot be created in %1: %2")
                     .arg(QDir::toNativeSeparators(folder), f.errorString());
        return QString();
    }
    return f.fileName();
}

class ExportState;

// The exports being written now.
QList<ExportState*>& exports()
{
    static QList<ExportState*> list;
    return list;
}

// An export on its screen while its workbook is written: the screen busy. A
// close of the screen (Exit among them) or a login as another user stops it:
// nothing is opened and the file goes; the screen closes once the export's
// handler has left it.
class ExportState
{
public:
    ExportState(QWidget* screen, workbook::ExportWriter* writer)
        : m_busy(std::in_place, screen, nullptr, QStringLiteral("exportBusy"),
                 QStringLiteral("Writing the workbook ..."))
        , m_screen(screen)
        , m_writer(writer)
    {
        m_busy->onClose([this] {
            m_closeWanted = true;
            m_writer->stop();
        });
        exports() << this;
    }
    ~ExportState() { exports().removeOne(this); }
    ExportState(const ExportState&) = delete;
    ExportState& operator=(const ExportState&) = delete;

    QWidget* screen() const { return m_screen; }
    bool closeWanted() const { return m_closeWanted; }
    bool dropped() const { return m_dropped; }
    // The workbook was the previous user's: nobody is told of it.
    void drop()
    {
        m_dropped = true;
        m_writer->stop();
    }
    void release() { m_busy.reset(); }

private:
    std::optional<BusyScreen> m_busy;
    QPointer<QWidget> m_screen;
    workbook::ExportWriter* m_writer;
    bool m_closeWanted = false;
    bool m_dropped = false;
};

// The list as shown now, to be written on another thread.
std::shared_ptr<const workbook::TableSource> snapshot(const workbook::TableSource& source, const QObject* shownBy)
{
    if (auto* model = dynamic_cast<const workbook::SnapshotModel*>(shownBy))
        return model->exportSnapshot();
    return workbook::snapshotOf(source);
}

bool exportSource(const workbook::TableSource& source, const QObject* shownBy, workbook::SourceKind kind,
                  const workbook::ExportOptions& o)
{
    QString error;
    const QString path = newWorkbookPath(&error);
    if (path.isEmpty()) {
        msg::error(error);
        return false;
    }
    // The rows are taken here, on the screen thread, in one step; the
    // workbook is written from them on a thread of its own while the
    // screens, the terminal monitor among them, go on.
    workbook::ExportWriter writer(snapshot(source, shownBy), kind, o, path);
    QPointer<QWidget> screen = BusyScreen::screenOf(shownBy);
    ExportState state(screen, &writer);
    QEventLoop loop;
    QObject::connect(&writer, &workbook::ExportWriter::finished, &loop, &QEventLoop::quit);
    writer.start();
    loop.exec();
    // The loop also ends when the program quits: the writing stops and its
    // file goes.
    if (writer.running()) {
        writer.stop();
        return false;
    }
    state.release();
    if (state.dropped() || state.closeWanted()) {
        if (writer.written())
            workbook::removeExport(path);
        if (state.closeWanted() && screen)
            QTimer::singleShot(0, screen.data(), &QWidget::close);
        return false;
    }
    if (!writer.written()) {
        msg::error(writer.error());
        return false;
    }
    // Whether or not an application shows it (the desktop may accept the
    // file and then find nothing to open it with), the user is told where
    // the workbook is.
    const QString shown = QDir::toNativeSeparators(path);
    if (!opener()(path)) {
        msg::information(QStringLiteral("The workbook was written to %1. No application here opens .xlsx files: "
                                        "open or copy it from there.")
                             .arg(shown));
        return false;
    }
    msg::information(QStringLiteral("The workbook was written to %1.").arg(shown));
    return true;
}

workbook::ExportOptions toOptions(ExportOptions options)
{
    workbook::ExportOptions o;
    o.starFirstColumn = options.testFlag(ExportOption::StarFirstColumn);
    o.dropLastColumn = options.testFlag(ExportOption::DropLastColumn);
    o.rowColourByStatus = options.testFlag(ExportOption::RowColourByStatus);
    o.titleBlock = options.testFlag(ExportOption::TitleBlock);
    return o;
}

} // namespace

bool ExportGridToExcel(QTableWidget* grid, ExportOptions options, const TitleTexts& title)
{
    workbook::ExportOptions o = toOptions(options);
    o.project = title.project;
    o.partNo = title.partNo;
    return exportSource(GridSource(grid), grid, workbook::SourceKind::Grid, o);
}

bool ExportListToExcel(QTreeWidget* list, ExportOptions options)
{
    workbook::ExportOptions o = toOptions(options);
    o.rowColourByStatus = false;
    o.titleBlock = false;
    return exportSource(ListSource(list), list, workbook::SourceKind::List, o);
}

bool ExportGridModelToExcel(const QAbstractItemModel* model, ExportOptions options, const TitleTexts& title)
{
    workbook::ExportOptions o = toOptions(options);
    o.project = title.project;
    o.partNo = title.partNo;
    return exportSource(ModelSource(model), model, workbook::SourceKind::Grid, o);
}

bool ExportListModelToExcel(const QAbstractItemModel* model, ExportOptions options)
{
    workbook::ExportOptions o = toOptions(options);
    o.rowColourByStatus = false;
    o.titleBlock = false;
    return exportSource(ModelSource(model), model, workbook::SourceKind::List, o);
}

void setWorkbookOpener(WorkbookOpener o)
{
    opener() = std::move(o);
}

void setExportFolder(const QString& folder)
{
    exportFolder() = folder;
}

int RemoveOldExports(const QDateTime& now)
{
    return workbook::removeUnchangedExports(folderInUse(), exportName(), now);
}

void DropExport(QWidget* screen)
{
    for (ExportState* e : std::as_const(exports())) {
        if (e->screen() == screen)
            e->drop();
    }
}

} // namespace Module1
