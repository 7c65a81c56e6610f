#pragma once

#include "db/Database.h"

#include <QSet>
#include <QString>
#include <array>
#include <span>

namespace grants {

// A function code as stored in function_list, with its description. The 26
// menu codes come first, each with the main-window item it enables and the
// toolbar button (counted from 1) that calls the same handler, 0 for none;
// the 12 button codes follow, with no menu item. The seed rows and the
// menu grants both read this one table.
struct FunctionCode
{
    const char* code;
    const char* desc;
    const char* menuItem;
    int toolbarButton;
};
using MenuGrant = FunctionCode;

extern const std::array<FunctionCode, 38> kFunctionCodes;
// The menu codes: the first 26 of kFunctionCodes.
extern const std::span<const FunctionCode, 26> kMenuGrants;
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
