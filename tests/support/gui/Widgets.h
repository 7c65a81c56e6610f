#pragma once

#include <QStringList>

class QComboBox;

namespace testing {

// The entries of a choice box, in order.
QStringList comboItems(const QComboBox* box);

} // namespace testing
