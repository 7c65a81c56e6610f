#include "SecuritySupport.h"

#include "app/Module1.h"

#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;

namespace sec {

void addGroup(const QString& id, const QString& status)
{
    gConn().exec("insert into user_group (group_id, group_desc, status, update_user, update_time) "
                 "values (?, ?, ?, 'SYSADMIN', sysdate)",
                 {id, id + " group", status});
}

void addUser(const QString& id, const QString& group, const QString& password)
{
    gConn().exec("insert into user_list (user_id, user_name, group_id, effective_date, expiry_date, password, active, "
                 "update_user, update_time) values (?, ?, ?, ?, ?, ?, '1', 'SYSADMIN', sysdate)",
                 {id, id + " name", group, QDateTime(QDate(2024, 3, 5), QTime(0, 0)),
                  QDateTime(QDate(2099, 1, 31), QTime(0, 0)),
                  Module1::Encode(id, password.isEmpty() ? id : password).value()});
}

void grant(const QString& group, const QStringList& codes)
{
    for (const QString& code : codes)
        gConn().exec("insert into function_grant (func_id, group_id, update_user, update_time) "
                     "values (?, ?, 'SYSADMIN', sysdate)",
                     {code, group});
}

QStringList grantsOf(const QString& group)
{
    return testing::queryRows("select func_id from function_grant where group_id = ? order by func_id", {group});
}

QString passwordOf(const QString& userId)
{
    return gConn().scalar("select password from user_list where user_id = ?", {userId}).toString();
}

void clickCell(QTableWidget* grid, const QString& key, int column, int keyColumn)
{
    int row = 0;
    while (row < grid->rowCount() && !(grid->item(row, keyColumn) && grid->item(row, keyColumn)->text() == key))
        ++row;
    QVERIFY2(row < grid->rowCount(), qPrintable(key));
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

void clickItem(QTreeWidget* list, const QString& key, int keyColumn)
{
    const QList<QTreeWidgetItem*> found = list->findItems(key, Qt::MatchExactly, keyColumn);
    QVERIFY2(!found.isEmpty(), qPrintable(key));
    list->scrollToItem(found.first());
    const QRect r = list->visualItemRect(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 40, r.center().y()));
}

} // namespace sec
