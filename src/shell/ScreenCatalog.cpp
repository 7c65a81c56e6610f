#include "ScreenRegistry.h"

#include "OPT_Approve_Report.h"
#include "OPT_Load_SN.h"
#include "OPT_Throw_QTY.h"
#include "OPT_Component.h"
#include "OPT_Line_Set.h"
#include "OPT_Slot_Link.h"
#include "SYS_Function.h"
#include "SYS_Grant.h"
#include "SYS_PWD.h"
#include "SYS_RESETPWD.h"
#include "SYS_UGRP.h"
#include "SYS_USER.h"
#include "Mtc_CGRP.h"
#include "Mtc_Comp.h"
#include "Mtc_Comp_Link.h"
#include "Mtc_Comp_Proj.h"
#include "Mtc_Part.h"
#include "OPT_Run.h"
#include "frmAbout.h"
#include "Mtc_DT200.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "Mtc_Project.h"
#include "Mtc_Slot1.h"
#include "QUERY_COMP.h"
#include "QUERY_DT200.h"
#include "QUERY_Panel.h"
#include "QUERY_WIP.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("Man_Line"), [] { return new Mtc_Line; });
    r.add(QStringLiteral("Man_Machine"), [] { return new Mtc_Machine; });
    r.add(QStringLiteral("Man_DT200"), [] { return new Mtc_DT200; });
    r.add(QStringLiteral("Man_Project"), [] { return new Mtc_Project; });
    r.add(QStringLiteral("Man_Slot1"), [] { return new Mtc_Slot1; });
    r.add(QStringLiteral("OPR_Approve"), [] { return new OPT_Approve_Report; });
    r.add(QStringLiteral("OPR_Throw_QTY"), [] { return new OPT_Throw_QTY; });
    r.add(QStringLiteral("OPR_Load"), [] { return new OPT_Load_SN; });
    r.add(QStringLiteral("OPR_Line_SET"), [] { return new OPT_Line_Set; });
    r.add(QStringLiteral("OPR_Slot_Link"), [] { return new OPT_Slot_Link; });
    r.add(QStringLiteral("OPR_Comp_SET"), [] { return new OPT_Component; });
    r.add(QStringLiteral("SEC_USER_GROUP"), [] { return new SYS_UGRP; });
    r.add(QStringLiteral("SEC_USER_INFO"), [] { return new SYS_USER; });
    r.add(QStringLiteral("SEC_FUNCTION_LIST"), [] { return new SYS_Function; });
    r.add(QStringLiteral("SEC_FUNCTION_GRANT"), [] { return new SYS_Grant; });
    r.add(QStringLiteral("SEC_USER_CHGPWD"), [] { return new SYS_PWD; });
    r.add(QStringLiteral("SEC_USER_RESETPWD"), [] { return new SYS_RESETPWD; });
    r.add(QStringLiteral("Man_CGRP"), [] { return new Mtc_CGRP; });
    r.add(QStringLiteral("Man_Comp"), [] { return new Mtc_Comp; });
    r.add(QStringLiteral("Man_Part"), [] { return new Mtc_Part; });
    r.add(QStringLiteral("Man_Proj"), [] { return new Mtc_Comp_Proj; });
    r.add(QStringLiteral("OPR_RUN"), [] { return new OPT_Run; });
    r.add(QStringLiteral("QY_WIP"), [] { return new QUERY_WIP; });
    r.add(QStringLiteral("QY_Trace"), [] { return new QUERY_Panel; });
    r.add(QStringLiteral("QY_DT200"), [] { return new QUERY_DT200; });
    r.add(QStringLiteral("QY_Comp"), [] { return new QUERY_COMP; });
    r.add(QStringLiteral("Man_Link"), [] { return new Mtc_Comp_Link; });
    return r;
}
