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

int rowOf(const QTableWidget* grid, int column, const QString& text)
{
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->item(r, column) && grid->item(r, column)->text() == text)
            return r;
    }
    return -1;
}

int itemOf(const QTreeWidget* list, int column, const QString& text)
{
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        if (list->topLevelItem(r)->text(column) == text)
            return r;
    }
    return -1;
}

void clickCell(QTableWidget* grid, int row, int column)
{
    QVERIFY(row >= 0 && row < grid->rowCount());
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

void clickItem(QTreeWidget* list, int row)
{
    QVERIFY(row >= 0 && row < list->topLevelItemCount());
    QTreeWidgetItem* item = list->topLevelItem(row);
    list->scrollToItem(item);
    const QRect r = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 40, r.center().y()));
}

void refuseGrantOf(const QString& code)
{
    // The code is a test constant of letters and underscores.
    if (gConn().engine() == db::Engine::SQLite) {
        gConn().exec(QStringLiteral("CREATE TRIGGER refuse_grant BEFORE INSERT ON function_grant "
                                    "WHEN NEW.func_id = '%1' BEGIN SELECT RAISE(ABORT, 'grant refused'); END")
                         .arg(code));
    } else {
        gConn().exec(QStringLiteral("CREATE FUNCTION refuse_grant() RETURNS trigger LANGUAGE plpgsql AS $$ "
                                    "BEGIN IF NEW.func_id = '%1' THEN RAISE EXCEPTION 'grant refused'; END IF; "
                                    "RETURN NEW; END $$")
                         .arg(code));
        gConn().exec("CREATE TRIGGER refuse_grant BEFORE INSERT ON function_grant "
                     "FOR EACH ROW EXECUTE FUNCTION refuse_grant()");
    }
}

void skipPasswordUpdates()
{
    if (gConn().engine() == db::Engine::SQLite) {
        gConn().exec("CREATE TRIGGER skip_password BEFORE UPDATE OF password ON user_list "
                     "BEGIN SELECT RAISE(IGNORE); END");
    } else {
        gConn().exec("CREATE FUNCTION skip_password() RETURNS trigger LANGUAGE plpgsql AS $$ "
                     "BEGIN RETURN NULL; END $$");
        gConn().exec("CREATE TRIGGER skip_password BEFORE UPDATE ON user_list "
                     "FOR EACH ROW EXECUTE FUNCTION skip_password()");
    }
}

} // namespace sec
