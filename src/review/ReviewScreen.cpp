#include "ReviewScreen.h"

#include "FormWidgets.h"
#include "ListTools.h"
#include "QueryModel.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "db/DbError.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTreeView>
#include <utility>

ReviewScreen::ReviewScreen(QWidget* parent)
    : QWidget(parent)
{
    Module1::CenterOnFirstShow(this);
}

QStringList ReviewScreen::checkHeaders()
{
    return {"Update Time",   "Line Description", "Machine ID",     "Module ID",      "Slot ID",
            "Project PN",    "Project PN Description", "Component ID", "Component Description", "Ref.Designator",
            "Polarity Check", "Lot No.",         "D/C",            "RT No.",         "Vender Name",
            "QTY",           "Throw QTY",        "User ID",        "User Name"};
}

QList<int> ReviewScreen::checkWidths(int rtNoWidth)
{
    return {2000, 1800, 2400, 1200, 1000, 2200, 2200, 1500, 3300, 1500,
            1400, 1300, 1000, rtNoWidth, 1600, 700, 1200, 1000, 1500};
}

QTreeView* ReviewScreen::newList(const QStringList& headers, const QList<int>& widthsTwips)
{
    m_model = new QueryModel(headers, Qt::AlignLeft | Qt::AlignVCenter, this);
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("LvData"));
    querytools::showList(m_list, m_model, widthsTwips);
    Module1::InstallColumnSort(m_list);
    m_runner = new QueryRunner(this);
    connect(m_runner, &QueryRunner::failed, this, [](const QString& error) { msg::error(error); });
    return m_list;
}

void ReviewScreen::startFill(const QVector<query::Statement>& statements, const QueryRunner::Convert& convert)
{
    m_runner->start(m_model, statements, convert);
}

void ReviewScreen::waitForList(QPushButton* button)
{
    m_runner->holdUntilFilled(button);
}

void ReviewScreen::clearList()
{
    m_runner->clear(m_model);
}

int ReviewScreen::currentRow() const
{
    const QModelIndex i = m_list->currentIndex();
    return i.isValid() ? i.row() : -1;
}

QDateTimeEdit* ReviewScreen::newTimePicker()
{
    return querytools::newTimePicker(this, QString());
}

QComboBox* ReviewScreen::newChoiceBox()
{
    auto* box = new QComboBox(this);
    formui::makeEditable(box);
    return box;
}

void ReviewScreen::layOutCheckList(QGridLayout* filters, QDateTimeEdit* from, QDateTimeEdit* to, QTreeView* list,
                                   const QList<QPushButton*>& buttons)
{
    filters->addWidget(new QLabel(QStringLiteral("From"), this), 1, 0);
    filters->addWidget(from, 1, 1);
    filters->addWidget(new QLabel(QStringLiteral("To"), this), 1, 2);
    filters->addWidget(to, 1, 3);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons)
        row->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(list, 1);
    layout->addWidget(m_runner);
    layout->addLayout(row);
    resize(1000, 620);
}

void ReviewScreen::fillChoices(QComboBox* box, const QString& sql, const QVariantList& params)
{
    runDb([&] {
        const db::ResultSet rs = Module1::gConn().query(sql, params);
        const QSignalBlocker quiet(box);
        box->clear();
        for (const QVector<QVariant>& row : rs.rows())
            box->addItem(row[0].toString());
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    });
    if (box->count() > 0)
        box->setCurrentIndex(0);
}

void ReviewScreen::tellUpdated(int changed)
{
    if (changed == 1)
        msg::box(QStringLiteral("Update successful!"));
    else
        msg::box(QStringLiteral("The record was not found any more; nothing was updated."), msg::Buttons::Ok,
                 msg::Icon::Exclamation);
}

bool ReviewScreen::runDb(const std::function<void()>& work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        work();
    } catch (const db::DbError& e) {
        QApplication::restoreOverrideCursor();
        msg::error(e.text());
        return false;
    }
    QApplication::restoreOverrideCursor();
    return true;
}
