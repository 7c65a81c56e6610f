#include "SecuritySupport.h"

#include "app/Module1.h"

#include <QTableWidget>
#include <QTest>

using Module1::gConn;

namespace sec {

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

} // namespace sec
