#include "ScreenRegistry.h"

#include "frmAbout.h"
#include "Mtc_Comp_Link.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("Man_Link"), [] { return new Mtc_Comp_Link; });
    return r;
}
