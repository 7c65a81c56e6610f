#include "ScreenRegistry.h"

#include "Mtc_CGRP.h"
#include "Mtc_Comp.h"
#include "Mtc_Comp_Link.h"
#include "Mtc_Comp_Proj.h"
#include "Mtc_Part.h"
#include "frmAbout.h"

// One line per screen: the menu item and the screen it opens. The toolbar
// buttons follow their menu items. An item without a line here stays
// disabled, whatever the user's grants.
ScreenRegistry ScreenRegistry::catalog()
{
    ScreenRegistry r;
    r.add(QStringLiteral("mnuHelpAbout"), [] { return new frmAbout; });
    r.add(QStringLiteral("Man_CGRP"), [] { return new Mtc_CGRP; });
    r.add(QStringLiteral("Man_Comp"), [] { return new Mtc_Comp; });
    r.add(QStringLiteral("Man_Part"), [] { return new Mtc_Part; });
    r.add(QStringLiteral("Man_Proj"), [] { return new Mtc_Comp_Proj; });
    r.add(QStringLiteral("Man_Link"), [] { return new Mtc_Comp_Link; });
    return r;
}
