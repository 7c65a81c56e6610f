#pragma once

class QComboBox;
class QGridLayout;
class QWidget;

// The controls the set-up screens are built from, named as their handlers
// refer to them.
namespace setupui {

// A selector: a list to pick from that also takes typed text.
QComboBox* selector(QWidget* parent, const char* name);
// A selector with its label before it, in cell (row, col) of a grid of
// label and box pairs.
QComboBox* labelledSelector(QWidget* parent, QGridLayout* grid, int row, int col, const char* label, const char* name);

} // namespace setupui
