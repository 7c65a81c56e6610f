#pragma once

#include "db/Cursor.h"
#include "query/Query.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QLabel;
class QProgressBar;
class QPushButton;
class QueryModel;

// Fills a query screen's model from a cursor a batch at a time, returning to
// the event loop between batches so that the window stays responsive and the
// first rows show at once. While it runs it shows a moving progress bar, the
// number of rows so far and a Stop button; afterwards the count, or that the
// search was stopped, so a cut list never looks complete. A failed search
// empties the list and hands the error on. While it fills, the screen shows
// the busy pointer and the buttons that wait for the whole list are off.
class QueryRunner : public QWidget
{
    Q_OBJECT

public:
    using Convert = std::function<query::ShownRow(const QVector<QVariant>&)>;

    explicit QueryRunner(QWidget* parent = nullptr);
    ~QueryRunner() override;

    // Clears the model and starts filling it; a running search is stopped
    // first. Opening errors are reported through failed() like fetch errors.
    void start(QueryModel* model, const query::Statement& statement, Convert convert);
    // The rows of the statements one after the other.
    void start(QueryModel* model, const QVector<query::Statement>& statements, Convert convert);
    void stop();
    // Empties the model for a search that has nothing to look for; a running
    // search ends without a report.
    void clear(QueryModel* model);
    bool running() const { return m_running; }
    // A button that takes the whole list (Export): disabled while a fill runs.
    void holdUntilFilled(QAbstractButton* button);
    int rows() const { return m_rows; }
    bool wasStopped() const { return m_stopped; }

    QPushButton* cmdStop() const { return m_stop; }
    QLabel* status() const { return m_status; }

    // Rows read before the window gets the event loop back; the first batch
    // is read at once and covers a screenful.
    static constexpr int kBatch = 200;
    static constexpr int kSliceMs = 40;

Q_SIGNALS:
    // Every row read, or the user stopped (stopped true).
    void finished(int rows, bool stopped);
    // The list was emptied; the database's description of the failure.
    void failed(const QString& error);

private:
    void step();
    void finish(bool stopped);
    void fail(const QString& error);
    void showCount();
    // The screen's state while a fill runs: busy pointer, held buttons off.
    void setFilling(bool filling);

    QProgressBar* m_bar;
    QLabel* m_status;
    QPushButton* m_stop;
    QueryModel* m_model = nullptr;
    Convert m_convert;
    db::Cursor m_cursor;
    bool m_running = false;
    bool m_stopped = false;
    int m_rows = 0;
    quint64 m_generation = 0;
    QList<QPointer<QAbstractButton>> m_held;
};
