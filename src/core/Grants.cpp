#include "Grants.h"

namespace grants {

const std::array<MenuGrant, 26> kMenuGrants = {{
    {"OPR_LINE_SET", "OPR_Line_SET", 3},
    {"OPR_COMP_SET", "OPR_Comp_SET", 4},
    {"OPR_SLOT_LINK", "OPR_Slot_Link", 5},
    {"OPR_RUN", "OPR_RUN", 1},
    {"OPR_THROW", "OPR_Throw_QTY", 0},
    {"OPR_APPROVE", "OPR_Approve", 0},
    {"OPR_LOAD_SN", "OPR_Load", 0},
    {"QY_WIP", "QY_WIP", 9},
    {"QY_DT200", "QY_DT200", 10},
    {"QY_COMP", "QY_Comp", 8},
    {"QY_TRACE", "QY_Trace", 0},
    {"MAN_PROJECT", "Man_Project", 0},
    {"MAN_PART", "Man_Part", 0},
    {"MAN_LINE", "Man_Line", 0},
    {"MAN_MACHINE", "Man_Machine", 0},
    {"MAN_SLOT", "Man_Slot1", 0},
    {"MAN_DT200", "Man_DT200", 0},
    {"MAN_CGRP", "Man_CGRP", 0},
    {"MAN_COMP", "Man_Comp", 0},
    {"MAN_COMP_LINK", "Man_Link", 6},
    {"MAN_COMP_PROJECT", "Man_Proj", 0},
    {"SEC_FUNCTION_GRANT", "SEC_FUNCTION_GRANT", 0},
    {"SEC_FUNCTION_LIST", "SEC_FUNCTION_LIST", 0},
    {"SEC_USER_GROUP", "SEC_USER_GROUP", 0},
    {"SEC_USER_INFO", "SEC_USER_INFO", 0},
    {"SEC_USER_RESETPWD", "SEC_USER_RESETPWD", 0},
}};

const std::array<int, 8> kGatedButtons = {1, 3, 4, 5, 6, 8, 9, 10};

GrantSet fromCodes(const QStringList& codes)
{
    GrantSet g;
    for (const QString& raw : codes) {
        const QString code = raw.toUpper();
        for (const MenuGrant& m : kMenuGrants) {
            if (code == QLatin1String(m.code)) {
                g.menuItems.insert(QString::fromLatin1(m.menuItem));
                if (m.toolbarButton)
                    g.toolbarButtons.insert(m.toolbarButton);
                break;
            }
        }
    }
    return g;
}

QStringList codesOf(db::Database& db, const QString& userId)
{
    db::ResultSet rs = db.query(QStringLiteral("select func_id from function_grant where group_id in "
                                               "(select group_id from user_list where user_id = ?) "
                                               "order by func_id"),
                                {userId});
    QStringList codes;
    for (; !rs.eof(); rs.moveNext())
        codes << rs.text(0);
    return codes;
}

} // namespace grants
