#pragma once

#include "Database.h"

#include <QSet>
#include <QString>
#include <array>

namespace grants {

// A menu function code, the main-window item it enables and the toolbar
// button (counted from 1) that calls the same handler, 0 for none.
struct MenuGrant
{
    const char* code;
    const char* menuItem;
    int toolbarButton;
};

extern const std::array<MenuGrant, 26> kMenuGrants;
// Toolbar buttons that carry a function code.
extern const std::array<int, 8> kGatedButtons;

struct GrantSet
{
    QSet<QString> menuItems; // names of the enabled gated items
    QSet<int> toolbarButtons; // numbers of the enabled gated buttons
};

// The gated items and buttons the given codes enable: each code is upper-cased
// and enables the first item whose code it equals; other codes change nothing.
GrantSet fromCodes(const QStringList& codes);

// The codes held by the groups of the user (as typed in the login box), in
// code order. Throws db::DbError.
QStringList codesOf(db::Database& db, const QString& userId);

} // namespace grants
