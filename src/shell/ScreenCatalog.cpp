#include "ScreenRegistry.h"

#include "frmAbout.h"
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
    r.add(QStringLiteral("QY_WIP"), [] { return new QUERY_WIP; });
    r.add(QStringLiteral("QY_Trace"), [] { return new QUERY_Panel; });
    r.add(QStringLiteral("QY_DT200"), [] { return new QUERY_DT200; });
    r.add(QStringLiteral("QY_Comp"), [] { return new QUERY_COMP; });
    return r;
}
