#include "ScreenRegistry.h"

#include "OPT_Approve_Report.h"
#include "OPT_Load_SN.h"
#include "OPT_Throw_QTY.h"
#include "frmAbout.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("OPR_Approve"), [] { return new OPT_Approve_Report; });
    r.add(QStringLiteral("OPR_Throw_QTY"), [] { return new OPT_Throw_QTY; });
    r.add(QStringLiteral("OPR_Load"), [] { return new OPT_Load_SN; });
    return r;
}
