#include "ExcelImport.h"

#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "workbook/SheetRead.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

namespace Module1 {

namespace {

QString& readerOverride()
{
    static QString program;
    return program;
}

class ReadingState;

// The imports reading now, one per screen at most.
QList<ReadingState*>& readings()
{
    static QList<ReadingState*> list;
    return list;
}

// The screen while the reader reads the workbook: a moving bar saying so,
// every button off but Exit (as while a search runs), and a close asked
// about. Everything is put back when this goes.
class ReadingState : public QObject
{
public:
    ReadingState(QWidget* screen, QAbstractButton* exitButton, workbook::SheetRead* read)
        : m_screen(screen)
        , m_read(read)
    {
        if (!screen)
            return;
        for (QAbstractButton* b : screen->findChildren<QAbstractButton*>()) {
            if (b != exitButton && b->isEnabled()) {
                b->setEnabled(false);
                m_disabled << b;
            }
        }
        m_busy = new QWidget(screen);
        m_busy->setObjectName(QStringLiteral("importBusy"));
        auto* row = new QHBoxLayout(m_busy);
        row->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QProgressBar(m_busy);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        bar->setMaximumWidth(200);
        row->addWidget(bar);
        row->addWidget(new QLabel(QStringLiteral("Reading the workbook ..."), m_busy), 1);
        if (auto* box = qobject_cast<QBoxLayout*>(screen->layout()))
            box->addWidget(m_busy);
        m_busy->show();
        screen->setCursor(Qt::BusyCursor);
        screen->installEventFilter(this);
        readings() << this;
    }

    ~ReadingState() override
    {
        readings().removeOne(this);
        if (!m_screen)
            return;
        m_screen->removeEventFilter(this);
        m_screen->unsetCursor();
        delete m_busy;
        for (const QPointer<QAbstractButton>& b : std::as_const(m_disabled)) {
            if (b)
                b->setEnabled(true);
        }
    }

    // The user chose to close the screen, which stopped the reading.
    bool closeWanted() const { return m_closeWanted; }
    // Stopped for a login as another user.
    bool dropped() const { return m_dropped; }
    QWidget* screen() const { return m_screen; }

    // The import was the previous user's: it stops without a word, and a
    // close that follows (the new user may not use the screen) is not asked
    // about.
    void drop()
    {
        m_dropped = true;
        m_read->cancel();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_screen || event->type() != QEvent::Close)
            return false;
        // The screen stays while the import it started is on its stack.
        event->ignore();
        if (m_dropped)
            m_closeWanted = true;
        else if (!m_closeWanted
            && msg::box(QStringLiteral("The workbook is still being read. Stop the import?"), msg::Buttons::YesNo,
                        msg::Icon::Question)
                   == msg::Answer::Yes) {
            m_closeWanted = true;
            m_read->cancel();
        }
        return true;
    }

private:
    QPointer<QWidget> m_screen;
    workbook::SheetRead* m_read;
    QWidget* m_busy = nullptr;
    QList<QPointer<QAbstractButton>> m_disabled;
    bool m_closeWanted = false;
    bool m_dropped = false;
};

// How a read that did not run to its end was stopped.
enum class Stopped {
    No,
    ToClose, // the screen closes
    Dropped, // another user logged in
    Quitting, // the program ends
};

// Reads the first sheet in the reader program while events go on.
std::optional<workbook::Rows> readWithoutHolding(const QString& path, QWidget* screen, QAbstractButton* exitButton,
                                                 QString* error, Stopped* stopped)
{
    workbook::SheetRead read;
    workbook::ReaderLimits limits;
    if (!readerOverride().isEmpty())
        limits.program = readerOverride();
    ReadingState state(screen, exitButton, &read);
    QEventLoop loop;
    QObject::connect(&read, &workbook::SheetRead::finished, &loop, &QEventLoop::quit);
    read.start(path, limits);
    if (read.running())
        loop.exec();
    // The loop also ends when the program quits: the reader goes with it.
    const bool quitting = read.running();
    read.cancel();
    if (state.closeWanted())
        *stopped = Stopped::ToClose;
    else if (state.dropped())
        *stopped = Stopped::Dropped;
    else
        *stopped = quitting ? Stopped::Quitting : Stopped::No;
    *error = read.error();
    return read.takeRows();
}

} // namespace

QString ExcelFileFilter()
{
    return QStringLiteral("Excel Files (*.xls *.xlsx)");
}

void DropImport(QWidget* screen)
{
    for (ReadingState* r : std::as_const(readings())) {
        if (r->screen() == screen)
            r->drop();
    }
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
    QString error;
    Stopped stopped = Stopped::No;
    const auto rows = readWithoutHolding(path, screen, exitButton, &error, &stopped);
    workbook::ImportOutcome out;
    if (stopped != Stopped::No) {
        // Nothing was stored, and there is nobody to tell.
        out.error = error;
        if (stopped == Stopped::ToClose && guard)
            QTimer::singleShot(0, guard.data(), &QWidget::close);
        return out;
    }
    // A sheet without a single row is said so; a sheet whose data end at
    // row 2 imports nothing and says nothing.
    if (rows && rows->isEmpty())
        error = QStringLiteral("The first sheet of the file %1 holds no rows.").arg(path);
    if (!rows || rows->isEmpty()) {
        out.error = QDir::toNativeSeparators(error);
        msg::information(out.error);
        return out;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    out = workbook::importRows(*rows, layout, gConn(), gUserID, [](const QString& line) { WriteErrorLog(line); });
    QApplication::restoreOverrideCursor();

    if (out.failed()) {
        // The rows before the failure are stored; say how many.
        msg::information(out.error + QStringLiteral("\n\n%1 records were imported before the error.").arg(out.stored));
        return out;
    }
    if (out.stored > 0)
        msg::box(QStringLiteral("The success import ") + QString::number(out.stored) + QStringLiteral(" records."));
    if (out.rejected > 0)
        msg::box(QStringLiteral("Please check the error log file ") + QDir::toNativeSeparators(ErrorLogPath()));
    if (out.stored > 0 && loadData)
        loadData();
    return out;
}

} // namespace Module1
