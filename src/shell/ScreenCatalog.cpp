#include "ScreenRegistry.h"

#include "SYS_Function.h"
#include "SYS_Grant.h"
#include "SYS_PWD.h"
#include "SYS_RESETPWD.h"
#include "SYS_UGRP.h"
#include "SYS_USER.h"
#include "frmAbout.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("SEC_USER_GROUP"), [] { return new SYS_UGRP; });
    r.add(QStringLiteral("SEC_USER_INFO"), [] { return new SYS_USER; });
    r.add(QStringLiteral("SEC_FUNCTION_LIST"), [] { return new SYS_Function; });
    r.add(QStringLiteral("SEC_FUNCTION_GRANT"), [] { return new SYS_Grant; });
    r.add(QStringLiteral("SEC_USER_CHGPWD"), [] { return new SYS_PWD; });
    r.add(QStringLiteral("SEC_USER_RESETPWD"), [] { return new SYS_RESETPWD; });
    return r;
}
