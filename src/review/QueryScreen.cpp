#include "QueryScreen.h"

#include "QueryModel.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "db/DbError.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QPushButton>

QueryScreen::QueryScreen(const QString& name, const QString& title, const QStringList& headers,
                         Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent)
    , m_model(new QueryModel(headers, alignment, this))
{
    setObjectName(name);
    setWindowTitle(title);
}

void QueryScreen::createButtons()
{
    m_search = new QPushButton(QStringLiteral("&Search"), this);
    m_export = new QPushButton(QStringLiteral("&Export"), this);
    m_exit = new QPushButton(QStringLiteral("E&xit"), this);
    m_search->setObjectName(QStringLiteral("cmdsearch"));
    m_export->setObjectName(QStringLiteral("cmdexport"));
    m_exit->setObjectName(QStringLiteral("cmdexit"));
    connect(m_search, &QPushButton::clicked, this, &QueryScreen::cmdsearch_Click);
    connect(m_export, &QPushButton::clicked, this, &QueryScreen::cmdexport_Click);
    connect(m_exit, &QPushButton::clicked, this, &QueryScreen::cmdexit_Click);
}

void QueryScreen::createRunner()
{
    m_runner = new QueryRunner(this);
    m_runner->holdUntilFilled(m_export);
    connect(m_runner, &QueryRunner::finished, this, &QueryScreen::searchEnded);
    connect(m_runner, &QueryRunner::failed, this, [](const QString& error) { msg::error(error); });
}

void QueryScreen::addButtons(QBoxLayout* row)
{
    row->addStretch(1);
    row->addWidget(m_search);
    row->addWidget(m_export);
    row->addWidget(m_exit);
}

void QueryScreen::layOut(std::initializer_list<QLayout*> rows, QWidget* view)
{
    auto* top = new QVBoxLayout(this);
    for (QLayout* row : rows)
        top->addLayout(row);
    top->addWidget(view, 1);
    top->addWidget(m_runner);
}

void QueryScreen::place(int width, int height)
{
    resize(width, height);
    Module1::CenterOnFirstShow(this);
}

void QueryScreen::startSearch(const query::Statement& statement, const QueryRunner::Convert& convert)
{
    m_runner->start(m_model, statement, convert);
}

void QueryScreen::startSearch(const QVector<query::Statement>& statements, const QueryRunner::Convert& convert)
{
    m_runner->start(m_model, statements, convert);
}

void QueryScreen::searchEnded(int, bool) {}

void QueryScreen::cmdexit_Click()
{
    close();
}

bool QueryScreen::refill(QComboBox* box, const query::Statement& statement, bool withAll)
{
    try {
        querytools::fillBox(box, statement, withAll);
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return false;
    }
    return true;
}
