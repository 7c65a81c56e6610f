#include "QueryRunner.h"

#include "QueryModel.h"
#include "app/Module1.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

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

QueryRunner::~QueryRunner() = default;

void QueryRunner::start(QueryModel* model, const query::Statement& statement, Convert convert)
{
    start(model, QVector<query::Statement>{statement}, std::move(convert));
}

void QueryRunner::start(QueryModel* model, const QVector<query::Statement>& statements, Convert convert)
{
    if (m_running) {
        // A new search replaces the running one without reporting it.
        m_cursor.close();
        m_running = false;
    }
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
    try {
        m_cursor = Module1::gConn().openCursor(statements);
    } catch (const db::DbError& e) {
        fail(e.text());
        return;
    }
    step();
}

void QueryRunner::stop()
{
    if (m_running)
        finish(true);
}

void QueryRunner::clear(QueryModel* model)
{
    m_cursor.close();
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

void QueryRunner::step()
{
    if (!m_running)
        return;
    const quint64 generation = m_generation;
    QElapsedTimer clock;
    clock.start();
    try {
        do {
            const QVector<db::Cursor::Row> batch = m_cursor.fetch(kBatch);
            QVector<query::ShownRow> shown;
            shown.reserve(batch.size());
            for (const db::Cursor::Row& r : batch)
                shown.append(m_convert(r));
            m_rows += int(shown.size());
            m_model->append(shown);
            // Stop may have been pressed while the view took the rows.
            if (!m_running || generation != m_generation)
                return;
        } while (!m_cursor.atEnd() && clock.elapsed() < kSliceMs);
    } catch (const db::DbError& e) {
        fail(e.text());
        return;
    }
    if (m_cursor.atEnd()) {
        finish(false);
        return;
    }
    showCount();
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == m_generation)
            step();
    });
}

void QueryRunner::showCount()
{
    m_status->setText(QStringLiteral("%1 rows ...").arg(QLocale::c().toString(m_rows)));
}

void QueryRunner::finish(bool stopped)
{
    m_cursor.close();
    m_running = false;
    m_stopped = stopped;
    ++m_generation;
    setFilling(false);
    m_bar->hide();
    m_stop->hide();
    m_status->setText(stopped ? QStringLiteral("Stopped after %1 rows: the list is not complete.")
                                    .arg(QLocale::c().toString(m_rows))
                              : QStringLiteral("%1 rows").arg(QLocale::c().toString(m_rows)));
    Q_EMIT finished(m_rows, stopped);
}

void QueryRunner::fail(const QString& error)
{
    m_cursor.close();
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
    for (const QPointer<QAbstractButton>& b : std::as_const(m_held)) {
        if (b)
            b->setEnabled(!filling);
    }
}
