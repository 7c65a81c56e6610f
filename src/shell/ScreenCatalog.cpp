#include "ScreenRegistry.h"

#include "frmAbout.h"
#include "Mtc_DT200.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "Mtc_Project.h"
#include "Mtc_Slot1.h"

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
    return r;
}
