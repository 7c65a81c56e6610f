#include "ExcelImport.h"

#include "BusyScreen.h"
#include "ListTools.h"
#include "app/AppControl.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "workbook/SheetRead.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <optional>

namespace Module1 {

namespace {

// How often a storing held back by a box above it looks again.
constexpr int kHeldMs = 20;

QString& readerOverride()
{
    static QString program;
    return program;
}

class ImportState;

// The imports running now, one per screen at most.
QList<ImportState*>& imports()
{
    static QList<ImportState*> list;
    return list;
}

// An import on its screen from the reading of the workbook to its last row:
// the screen busy, and a close asked about. A stop (the user's answer, a
// login as another user) ends the phase that runs.
class ImportState
{
public:
    ImportState(QWidget* screen, QAbstractButton* exitButton)
        : m_busy(std::in_place, screen, exitButton, QStringLiteral("importBusy"),
                 QStringLiteral("Reading the workbook ..."))
        , m_screen(screen)
    {
        m_busy->onClose([this] { closeAsked(); });
        imports() << this;
    }
    ~ImportState() { imports().removeOne(this); }
    ImportState(const ImportState&) = delete;
    ImportState& operator=(const ImportState&) = delete;

    // What stops the phase that runs now.
    void stopWith(std::function<void()> stop) { m_stop = std::move(stop); }
    void storing()
    {
        m_storing = true;
        m_busy->setDoing(QStringLiteral("Storing the rows ..."));
    }
    // The screen as it was, before the run's messages are shown: nothing is
    // left to stop or ask about.
    void release()
    {
        m_busy.reset();
        imports().removeOne(this);
    }

    // The user chose to close the screen, which stopped the import.
    bool closeWanted() const { return m_closeWanted; }
    // The user chose to end the program, which stopped the import.
    bool exitWanted() const { return m_exitWanted; }

    // The main window's Exit: the question a close of the screen asks.
    bool stopAsked()
    {
        return m_dropped || m_closeWanted
               || msg::box(question(), msg::Buttons::YesNo, msg::Icon::Question) == msg::Answer::Yes;
    }
    void stopToExit()
    {
        m_exitWanted = true;
        if (m_stop)
            m_stop();
    }
    // Stopped for a login as another user.
    bool dropped() const { return m_dropped; }
    QWidget* screen() const { return m_screen; }

    // The import was the previous user's: it stops without a word, and a
    // close that follows (the new user may not use the screen) is not asked
    // about.
    void drop()
    {
        m_dropped = true;
        if (m_stop)
            m_stop();
    }

private:
    void closeAsked()
    {
        if (m_dropped) {
            m_closeWanted = true;
            return;
        }
        if (m_closeWanted || m_exitWanted)
            return;
        if (msg::box(question(), msg::Buttons::YesNo, msg::Icon::Question) == msg::Answer::Yes) {
            m_closeWanted = true;
            if (m_stop)
                m_stop();
        }
    }

    QString question() const
    {
        return m_storing ? QStringLiteral("The rows are still being stored. Stop the import?")
                         : QStringLiteral("The workbook is still being read. Stop the import?");
    }

    std::optional<BusyScreen> m_busy;
    QPointer<QWidget> m_screen;
    std::function<void()> m_stop;
    bool m_storing = false;
    bool m_closeWanted = false;
    bool m_exitWanted = false;
    bool m_dropped = false;
};

// How a phase that did not run to its end was stopped.
enum class Stopped {
    No,
    ToClose, // the screen closes
    ToExit, // the program ends
    Dropped, // another user logged in
    Quitting, // the program ends
};

Stopped stoppedBy(const ImportState& state, bool quitting)
{
    // Dropped for another user, whose grants then close the screen: the new
    // user is told nothing of it.
    if (state.dropped())
        return Stopped::Dropped;
    if (state.closeWanted())
        return Stopped::ToClose;
    if (state.exitWanted())
        return Stopped::ToExit;
    return quitting ? Stopped::Quitting : Stopped::No;
}

// Reads the first sheet in the reader program while events go on.
std::optional<workbook::Rows> readWithoutHolding(const QString& path, ImportState& state, QString* error,
                                                 Stopped* stopped)
{
    workbook::SheetRead read;
    workbook::ReaderLimits limits;
    if (!readerOverride().isEmpty())
        limits.program = readerOverride();
    state.stopWith([&read] { read.cancel(); });
    QEventLoop loop;
    QObject::connect(&read, &workbook::SheetRead::finished, &loop, &QEventLoop::quit);
    read.start(path, limits);
    if (read.running())
        loop.exec();
    // The loop also ends when the program quits: the reader goes with it.
    const bool quitting = read.running();
    read.cancel();
    state.stopWith({});
    *stopped = stoppedBy(state, quitting);
    *error = read.error();
    return read.takeRows();
}

// Stores the rows a slice at a time from a loop of its own, so that events
// are handled between slices. Rows are stored only from this loop, never
// from a box or another loop opened above it meanwhile (the question whether
// to stop, another screen's work): whatever opened that is in the middle of
// its own handler, perhaps of a transaction on the same connection.
Stopped storeWithoutHolding(workbook::ImportRun& run, ImportState& state)
{
    QEventLoop loop;
    bool stop = false;
    state.stopWith([&] {
        stop = true;
        loop.quit();
    });
    QThread* thread = QThread::currentThread();
    const int level = thread->loopLevel() + 1;
    QTimer slice;
    QObject::connect(&slice, &QTimer::timeout, &loop, [&] {
        if (thread->loopLevel() != level) {
            slice.setInterval(kHeldMs);
            return;
        }
        slice.setInterval(0);
        // Nothing more once the program quits: its connection may be closed.
        if (stop || !loop.isRunning())
            return;
        if (run.step(QDeadlineTimer(SliceMs())))
            loop.quit();
    });
    slice.start(0);
    loop.exec();
    slice.stop();
    state.stopWith({});
    return run.done() ? Stopped::No : stoppedBy(state, true);
}

// The screen closes once the import's handler has left it.
void closeLater(QWidget* screen)
{
    if (screen)
        QTimer::singleShot(0, screen, &QWidget::close);
}

// The program ends once the import's handler has left the screen.
void endLater()
{
    QTimer::singleShot(0, qApp, [] { app::endProgram(0); });
}

} // namespace

QString ExcelFileFilter()
{
    return QStringLiteral("Excel Files (*.xls *.xlsx)");
}

void DropImport(QWidget* screen)
{
    for (ImportState* r : std::as_const(imports())) {
        if (r->screen() == screen)
            r->drop();
    }
}

bool ImportsLetProgramEnd()
{
    const QList<ImportState*> asked = imports();
    for (ImportState* r : asked) {
        // One may have ended while another was asked about.
        if (imports().contains(r) && !r->stopAsked())
            return false;
    }
    bool stopping = false;
    for (ImportState* r : asked) {
        if (imports().contains(r)) {
            r->stopToExit();
            stopping = true;
        }
    }
    return !stopping;
}

void setImportReader(const QString& program)
{
    readerOverride() = program;
}

workbook::ImportOutcome ImportExcel(const workbook::ImportLayout& layout, const std::function<void()>& loadData,
                                   QWidget* screen, QAbstractButton* exitButton)
{
    const QString path = msg::openFileName(QString(), QDir::homePath(), ExcelFileFilter());
    if (path.isEmpty())
        return {};
    return ImportExcelFile(path, layout, loadData, screen, exitButton);
}

workbook::ImportOutcome ImportExcelFile(const QString& path, const workbook::ImportLayout& layout,
                                       const std::function<void()>& loadData, QWidget* screen,
                                       QAbstractButton* exitButton)
{
    QPointer<QWidget> guard(screen);
    ImportState state(screen, exitButton);
    QString error;
    Stopped stopped = Stopped::No;
    const auto rows = readWithoutHolding(path, state, &error, &stopped);
    workbook::ImportOutcome out;
    if (stopped != Stopped::No) {
        // Nothing was stored, and there is nobody to tell.
        out.error = error;
        const bool closing = state.closeWanted();
        state.release();
        if (closing)
            closeLater(guard);
        if (stopped == Stopped::ToExit)
            endLater();
        return out;
    }
    // A sheet without a single row is said so; a sheet whose data end at
    // row 2 imports nothing and says nothing.
    if (rows && rows->isEmpty())
        error = QStringLiteral("The first sheet of the file %1 holds no rows.").arg(path);
    if (!rows || rows->isEmpty()) {
        state.release();
        out.error = QDir::toNativeSeparators(error);
        msg::information(out.error);
        return out;
    }

    state.storing();
    workbook::ImportRun run(*rows, layout, gConn(), gUserID, [](const QString& line) { WriteErrorLog(line); });
    stopped = storeWithoutHolding(run, state);
    out = run.outcome();
    const bool closing = state.closeWanted();
    state.release();
    if (stopped != Stopped::No) {
        // The rows stored so far stay, as before a failure.
        out.error = QStringLiteral("The import was stopped.");
        if (stopped == Stopped::ToClose || stopped == Stopped::ToExit) {
            msg::information(QStringLiteral("The import was stopped. %1 records were imported before it stopped.")
                                 .arg(out.stored));
            if (out.rejected > 0)
                msg::box(QStringLiteral("Please check the error log file ") + QDir::toNativeSeparators(ErrorLogPath()));
        }
        if (closing)
            closeLater(guard);
        if (stopped == Stopped::ToExit)
            endLater();
        return out;
    }

    if (out.failed()) {
        // The rows before the failure are stored; say how many, and show
        // them, unless the connection is gone: its re-read would only say so
        // again.
        msg::information(out.failureMessage());
        if ((out.stored > 0 || !out.unsure.isEmpty()) && loadData && !closing && gConn().isOpen())
            loadData();
    } else {
        if (out.stored > 0)
            msg::box(QStringLiteral("The success import ") + QString::number(out.stored) + QStringLiteral(" records."));
        if (out.rejected > 0)
            msg::box(QStringLiteral("Please check the error log file ") + QDir::toNativeSeparators(ErrorLogPath()));
        // A screen about to close shows no list. The list, which may now be
        // very long, fills as every list does: the monitor goes on meanwhile.
        if (out.stored > 0 && loadData && !closing)
            loadData();
    }
    if (closing)
        closeLater(guard);
    return out;
}

} // namespace Module1
