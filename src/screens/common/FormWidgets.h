#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>

class QAbstractButton;
class QBoxLayout;
class QComboBox;
class QFormLayout;
class QGridLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace db {
class ResultSet;
}

// Widget plumbing the screens share: buttons in a row, labelled boxes in a
// form or grid, drop-down lists and the load bar of a list.
namespace formui {

// A button with its caption, added to the row; given an object name when a
// name is given.
QPushButton* addButton(QWidget* parent, QBoxLayout* row, const QString& caption, const char* name = nullptr);
// Lets the box that has the focus, if it is one of the screen's, finish as
// it does when the user leaves it (its clean-ups and look-ups) before the
// button acts on the boxes: a mouse click takes the focus to the button, a
// mnemonic presses it with the focus left where it was.
void leaveFocusedBox(QWidget* screen, QAbstractButton* button);
// Label and box pairs in the grid's first two columns, one pair a row from
// firstRow on.
void addLabelledRows(QGridLayout* grid, QWidget* parent, std::initializer_list<std::pair<QString, QWidget*>> rows,
                     int firstRow = 0);
// A text box of at most maxLength characters with its label, as a row of the form.
QLineEdit* addTextBox(QFormLayout* form, const QString& label, int maxLength);
// Caps a text box, or the text of an editable drop-down list, at the width
// of the column it is stored in, so that whatever can be typed can be
// stored; a smaller limit the box has stays. Other boxes are left alone.
void limitToColumn(QWidget* box, const QString& table, const QString& column);
// Lets a drop-down list take typed text too. The box keeps what was typed:
// no entry completes it or takes its place (not even one differing in case)
// unless the user picks it, and Enter adds nothing to the list.
void makeEditable(QComboBox* box);
// A drop-down list that takes only its own entries.
QComboBox* addDropDown(QFormLayout* form, const QString& label);
// Fills a drop-down list with the first column of a query's rows and leaves
// nothing chosen.
void fillDropDown(QComboBox* box, const QString& sql, const QVariantList& params = {});
// Shows a stored value in a drop-down list: its entry, or, when the list
// lacks it (its master row was deleted meanwhile), an entry of its own that
// stands only for the value shown. An empty value shows nothing. So Edit
// writes back what the user did not change and Delete finds the stored row.
void showStored(QComboBox* box, const QString& text);
// Drops the entries showStored added: the list offers only its own again.
void dropStoredOnly(QComboBox* box);
// The progress bar a list shows while it loads, hidden otherwise.
QProgressBar* addLoadBar(QBoxLayout* layout);
// Fills the list from the statement's rows (Module1::FillList) with the bar
// moving meanwhile.
void fillListShowingProgress(QTreeWidget* list, QProgressBar* bar, const QString& sql);

} // namespace formui
