#pragma once

#include "query/Query.h"
#include "query/SearchThread.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QLabel;
class QProgressBar;
class QPushButton;
class QueryModel;

// Fills a query screen's model a batch at a time from a search read on a
// thread of its own (SearchThread), so that the window, and the terminal
// monitor with it, stays responsive whatever the server does, and the first
// rows show at once. While it runs it shows a moving progress bar, the number
// of rows so far and a Stop button, which ends the search at once;
// afterwards the count, or that the search was stopped, so a cut list never
// looks complete. A failed search empties the list and hands the error on.
// While it fills, the screen shows the busy pointer and the buttons that wait
// for the whole list are off; after a stop they wait for the next search
// that reads its list to the end.
class QueryRunner : public QWidget
{
    Q_OBJECT

public:
    using Convert = std::function<query::ShownRow(const QVector<QVariant>&)>;

    explicit QueryRunner(QWidget* parent = nullptr);
    ~QueryRunner() override;

    // Clears the model and starts filling it; a running search is stopped
    // first. Every error is reported through failed().
    void start(QueryModel* model, const query::Statement& statement, Convert convert);
    // The rows of the statements one after the other.
    void start(QueryModel* model, const QVector<query::Statement>& statements, Convert convert);
    void stop();
    // Empties the model for a search that has nothing to look for; a running
    // search ends without a report.
    void clear(QueryModel* model);
    bool running() const { return m_running; }
    // A button that takes the whole list (Export): disabled while a fill runs
    // and after a stop.
    void holdUntilFilled(QAbstractButton* button);
    int rows() const { return m_rows; }
    bool wasStopped() const { return m_stopped; }

    QPushButton* cmdStop() const { return m_stop; }
    QLabel* status() const { return m_status; }

    // Rows shown at a time; the first batch covers a screenful.
    static constexpr int kBatch = 200;

Q_SIGNALS:
    // Every row read, or the user stopped (stopped true).
    void finished(int rows, bool stopped);
    // The list was emptied; the database's description of the failure.
    void failed(const QString& error);

private:
    void take(const QList<QVariantList>& batch, bool last);
    // Lets the running search go; cancelled unless it read its last row.
    void dropSearch(bool cancel);
    void finish(bool stopped);
    void fail(const QString& error);
    void showCount();
    // The screen's state while a fill runs: busy pointer, held buttons off.
    void setFilling(bool filling);
    void holdButtons(bool hold);

    QProgressBar* m_bar;
    QLabel* m_status;
    QPushButton* m_stop;
    QueryModel* m_model = nullptr;
    Convert m_convert;
    QPointer<query::SearchThread> m_search;
    bool m_running = false;
    bool m_stopped = false;
    int m_rows = 0;
    quint64 m_generation = 0;
    QList<QPointer<QAbstractButton>> m_held;
};
