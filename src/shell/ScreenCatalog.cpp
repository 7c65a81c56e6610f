#include "ScreenRegistry.h"

#include "OPT_Component.h"
#include "OPT_Line_Set.h"
#include "OPT_Slot_Link.h"
#include "frmAbout.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("OPR_Line_SET"), [] { return new OPT_Line_Set; });
    r.add(QStringLiteral("OPR_Slot_Link"), [] { return new OPT_Slot_Link; });
    r.add(QStringLiteral("OPR_Comp_SET"), [] { return new OPT_Component; });
    return r;
}
