#include "ReviewScreen.h"

#include "ListTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "db/DbError.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QMdiSubWindow>
#include <QTreeWidget>

ReviewScreen::ReviewScreen(QWidget* parent)
    : QWidget(parent)
{
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

QTreeWidgetItem* ReviewScreen::addCheckItem(QTreeWidget* list, const db::ResultSet& rs)
{
    auto* item = new QTreeWidgetItem;
    for (int i = 0; i < 19; ++i)
        item->setText(i + 1, Module1::ShownText(rs, i));
    item->setData(0, Qt::UserRole, rs.value(QStringLiteral("check_id")));
    list->addTopLevelItem(item);
    return item;
}

qlonglong ReviewScreen::checkIdOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

QDateTimeEdit* ReviewScreen::newTimePicker()
{
    auto* picker = new QDateTimeEdit(this);
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    picker->setCalendarPopup(true);
    return picker;
}

void ReviewScreen::InitDates(QDateTimeEdit* from, QDateTimeEdit* to)
{
    const QDateTime now = Module1::now();
    from->setDateTime(QDateTime(now.date().addDays(-1), QTime(0, 0, 1)));
    to->setDateTime(QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second())));
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

void ReviewScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        Module1::CenterForm(frame);
    else if (isWindow())
        Module1::CenterForm(this);
}
