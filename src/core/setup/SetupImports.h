#pragma once

#include "db/Database.h"
#include "workbook/WorkbookImport.h"

#include <QString>

// The sheet layouts of the three line set-up imports, with their row checks.
// The checks read the database they are given while the rows run.
namespace setup {

// A terminal id as the terminals are stored: a number becomes three digits
// at least ("5" -> "005", "12.0" -> "012"); any other text stays as it is.
QString FormatTerminalId(const QString& text);
// A terminal id typed on a screen: a whole number (digits, a sign before
// them allowed) is stored as the import stores it ("1" -> "001", "-1" ->
// "-001"); any other text is kept as typed.
QString TypedTerminalId(const QString& text);

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
