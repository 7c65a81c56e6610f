#pragma once

#include <QComboBox>
#include <QStringList>

namespace testing {

// The entries of a choice box, in order.
inline QStringList comboItems(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace testing
