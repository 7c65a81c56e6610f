#include "ScreenRegistry.h"

#include "OPT_Run.h"
#include "frmAbout.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("OPR_RUN"), [] { return new OPT_Run; });
    return r;
}
