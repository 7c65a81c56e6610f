#include "QueryRunner.h"

#include "QueryModel.h"
#include "app/Module1.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

QueryRunner::QueryRunner(QWidget* parent)
    : QWidget(parent)
    , m_bar(new QProgressBar(this))
    , m_status(new QLabel(this))
    , m_stop(new QPushButton(QStringLiteral("S&top"), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_bar->setObjectName(QStringLiteral("PB"));
    m_bar->setRange(0, 0); // the row count is known only at the end
    m_bar->setTextVisible(false);
    m_bar->setMaximumWidth(200);
    m_status->setObjectName(QStringLiteral("lblRows"));
    m_stop->setObjectName(QStringLiteral("cmdStop"));
    row->addWidget(m_bar);
    row->addWidget(m_stop);
    row->addWidget(m_status, 1);
    m_bar->hide();
    m_stop->hide();
    connect(m_stop, &QPushButton::clicked, this, &QueryRunner::stop);
}

QueryRunner::~QueryRunner()
{
    dropSearch(true);
}

void QueryRunner::start(QueryModel* model, const query::Statement& statement, Convert convert)
{
    start(model, QVector<query::Statement>{statement}, std::move(convert));
}

void QueryRunner::start(QueryModel* model, const QVector<query::Statement>& statements, Convert convert)
{
    // A new search replaces the running one without reporting it.
    dropSearch(true);
    ++m_generation;
    m_model = model;
    m_convert = std::move(convert);
    m_model->clear();
    m_rows = 0;
    m_stopped = false;
    m_running = true;
    setFilling(true);
    m_bar->show();
    m_stop->show();
    m_stop->setEnabled(true);
    m_status->setText(QStringLiteral("Searching ..."));
    db::Database& conn = Module1::gConn();
    try {
        // The program's connection must be open, as for every read; the
        // search itself runs over a connection of its own.
        conn.openCursor(QVector<query::Statement>{});
    } catch (const db::DbError& e) {
        fail(e.text());
        return;
    }
    const quint64 generation = m_generation;
    // Rows queued before a stop or a newer search are not shown.
    const auto wire = [this, generation](query::SearchThread* t) {
        connect(t, &query::SearchThread::rows, this, [this, generation](const QList<QVariantList>& batch, bool last) {
            if (generation == m_generation && m_running)
                take(batch, last);
        });
        connect(t, &query::SearchThread::failed, this, [this, generation](const QString& error) {
            if (generation == m_generation && m_running)
                fail(error);
        });
    };
    m_search = query::SearchThread::start(conn.settings(), statements, kBatch, wire);
}

void QueryRunner::stop()
{
    if (m_running)
        finish(true);
}

void QueryRunner::clear(QueryModel* model)
{
    dropSearch(true);
    m_running = false;
    m_stopped = false;
    ++m_generation;
    m_rows = 0;
    model->clear();
    setFilling(false);
    m_bar->hide();
    m_stop->hide();
    m_status->clear();
}

void QueryRunner::take(const QList<QVariantList>& batch, bool last)
{
    const quint64 generation = m_generation;
    QVector<query::ShownRow> shown;
    shown.reserve(batch.size());
    for (const QVariantList& r : batch)
        shown.append(m_convert(r));
    m_rows += int(shown.size());
    m_model->append(shown);
    // Stop may have been pressed while the view took the rows.
    if (!m_running || generation != m_generation)
        return;
    if (last) {
        finish(false);
        return;
    }
    if (m_search)
        m_search->taken();
    showCount();
}

void QueryRunner::dropSearch(bool cancel)
{
    if (!m_search)
        return;
    disconnect(m_search, nullptr, this, nullptr);
    if (cancel)
        m_search->stop();
    m_search = nullptr;
}

void QueryRunner::showCount()
{
    m_status->setText(QStringLiteral("%1 rows ...").arg(QLocale::c().toString(m_rows)));
}

void QueryRunner::finish(bool stopped)
{
    dropSearch(stopped);
    m_running = false;
    m_stopped = stopped;
    ++m_generation;
    setFilling(false);
    // A cut list is not exported as if whole: what waits for the whole list
    // waits for the next search.
    if (stopped)
        holdButtons(true);
    m_bar->hide();
    m_stop->hide();
    m_status->setText(stopped ? QStringLiteral("Stopped after %1 rows: the list is not complete.")
                                    .arg(QLocale::c().toString(m_rows))
                              : QStringLiteral("%1 rows").arg(QLocale::c().toString(m_rows)));
    Q_EMIT finished(m_rows, stopped);
}

void QueryRunner::fail(const QString& error)
{
    dropSearch(true);
    m_running = false;
    m_stopped = false;
    ++m_generation;
    m_model->clear();
    m_rows = 0;
    setFilling(false);
    m_bar->hide();
    m_stop->hide();
    m_status->setText(QStringLiteral("The search failed."));
    Q_EMIT failed(error);
}

void QueryRunner::holdUntilFilled(QAbstractButton* button)
{
    m_held << button;
}

void QueryRunner::setFilling(bool filling)
{
    if (QWidget* screen = parentWidget()) {
        if (filling)
            screen->setCursor(Qt::BusyCursor);
        else
            screen->unsetCursor();
    }
    holdButtons(filling);
}

void QueryRunner::holdButtons(bool hold)
{
    for (const QPointer<QAbstractButton>& b : std::as_const(m_held)) {
        if (b)
            b->setEnabled(!hold);
    }
}
