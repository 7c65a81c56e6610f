#include "security/Grants.h"

namespace grants {

const std::array<FunctionCode, 38> kFunctionCodes = {{
    {"OPR_LINE_SET", "Line Setting", "OPR_Line_SET", 3},
    {"OPR_COMP_SET", "Component Setting", "OPR_Comp_SET", 4},
    {"OPR_SLOT_LINK", "Slot Link", "OPR_Slot_Link", 5},
    {"OPR_RUN", "Run Server", "OPR_RUN", 1},
    {"OPR_THROW", "Throw QTY", "OPR_Throw_QTY", 0},
    {"OPR_APPROVE", "Approve Report", "OPR_Approve", 0},
    {"OPR_LOAD_SN", "Load S/N", "OPR_Load", 0},
    {"QY_WIP", "WIP Information", "QY_WIP", 9},
    {"QY_DT200", "DT-200 Information", "QY_DT200", 10},
    {"QY_COMP", "Loading / Changes", "QY_Comp", 8},
    {"QY_TRACE", "Traceability Info", "QY_Trace", 0},
    {"MAN_PROJECT", "Project Define", "Man_Project", 0},
    {"MAN_PART", "Part No Define", "Man_Part", 0},
    {"MAN_LINE", "Line Define", "Man_Line", 0},
    {"MAN_MACHINE", "Machine Define", "Man_Machine", 0},
    {"MAN_SLOT", "Module & Slot Define", "Man_Slot1", 0},
    {"MAN_DT200", "DT200 Define", "Man_DT200", 0},
    {"MAN_CGRP", "Component Group", "Man_CGRP", 0},
    {"MAN_COMP", "Component List", "Man_Comp", 0},
    {"MAN_COMP_LINK", "Component Link ID", "Man_Link", 6},
    {"MAN_COMP_PROJECT", "Component by Project", "Man_Proj", 0},
    {"SEC_FUNCTION_GRANT", "Function Grant", "SEC_FUNCTION_GRANT", 0},
    {"SEC_FUNCTION_LIST", "Function List", "SEC_FUNCTION_LIST", 0},
    {"SEC_USER_GROUP", "User Group Maintenance", "SEC_USER_GROUP", 0},
    {"SEC_USER_INFO", "User Information", "SEC_USER_INFO", 0},
    {"SEC_USER_RESETPWD", "Reset Password", "SEC_USER_RESETPWD", 0},
    {"Man_New_Link", "Component Link ID: New", nullptr, 0},
    {"Man_Edit_Link", "Component Link ID: Edit", nullptr, 0},
    {"Man_Delete_Link", "Component Link ID: Delete", nullptr, 0},
    {"Man_New_Project", "Component by Project: New and Import", nullptr, 0},
    {"Man_Edit_Project", "Component by Project: Edit", nullptr, 0},
    {"Man_Delete_Project", "Component by Project: Delete", nullptr, 0},
    {"Man_New_List", "Component List: New and Import", nullptr, 0},
    {"Man_Edit_List", "Component List: Edit", nullptr, 0},
    {"Man_Delete_List", "Component List: Delete", nullptr, 0},
    {"OPR_New_Component", "Component Setting: New and Import", nullptr, 0},
    {"OPR_Edit_Component", "Component Setting: Edit", nullptr, 0},
    {"OPR_Delete_Component", "Component Setting: Delete", nullptr, 0},
}};

const std::span<const FunctionCode, 26> kMenuGrants(kFunctionCodes.data(), 26);

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
