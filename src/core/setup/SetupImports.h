#pragma once

#include "db/Database.h"
#include "workbook/WorkbookImport.h"

#include <QString>

// The sheet layouts of the three line set-up imports, with their row checks.
// The checks read the database they are given while the rows run.
namespace setup {

// A terminal id as every road stores it (the screens' boxes and the
// import): a whole number (digits, a sign before them allowed, blanks
// around) becomes three digits at least ("5" -> "005", "-1" -> "-001",
// " 0012 " -> "012"); any other text stays as it is ("1.5", "2.0", "1e1",
// "T5"). A stored id comes back unchanged, so a list exported and imported
// again names the same terminals.
QString FormatTerminalId(const QString& text);

// line_set, columns A to F: line, project, part number, machine, gateway,
// terminal. Refused rows: unknown line, part number not of the project,
// unknown machine, terminal not behind the gateway (checked in that order).
// A row equal in all six columns only renews its audit columns.
workbook::ImportLayout LineSetImport(db::Database& db);

// A link number as the slot link screen stores it: upper case, without the
// asterisks the list export puts around it for the barcode font ("*SL001*").
QString LinkNumber(const QString& text);

// slot_link, columns A to D: link number (as LinkNumber gives it), machine,
// module, slot. Refused rows: unknown machine; a link number stored for
// another slot (a link number names one slot). A row equal in all four
// columns only renews its audit columns.
workbook::ImportLayout SlotLinkImport(db::Database& db);

// component_set, columns A to F: line, part number, machine, module, slot,
// component. Refused rows: component not needed by the part number. A stored
// slot takes the row's component. No journal rows.
workbook::ImportLayout ComponentSetImport(db::Database& db);

} // namespace setup
