#pragma once

class QBoxLayout;
class QComboBox;
class QGridLayout;
class QPushButton;
class QWidget;

// The controls the set-up screens are built from, named as their handlers
// refer to them.
namespace setupui {

// A button with its caption, added to the row.
QPushButton* addButton(QWidget* parent, QBoxLayout* row, const char* caption, const char* name);
// A selector: a list to pick from that also takes typed text.
QComboBox* selector(QWidget* parent, const char* name);
// A selector with its label before it, in cell (row, col) of a grid of
// label and box pairs.
QComboBox* labelledSelector(QWidget* parent, QGridLayout* grid, int row, int col, const char* label, const char* name);

} // namespace setupui
