#pragma once

#include <QString>

// What the program says about itself: its name and supplier in captions and
// messages, and the version text compared with the one the update server
// publishes.
namespace product {

inline const QString kName = QStringLiteral("TROVA");
inline const QString kSupplier = QStringLiteral("TROVA Development");
inline const QString kTitle = QStringLiteral("TROVA SMT Component Loading Guard");
// The build setting TROVA_VERSION.
inline const QString kVersionText = QStringLiteral(TROVA_VERSION_TEXT);

} // namespace product
