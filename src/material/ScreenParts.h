#pragma once

#include <QString>
#include <QVariant>

class QBoxLayout;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

// Widget plumbing the material screens share: labelled boxes in a form and
// buttons in a row.
namespace material {

QPushButton* addButton(QBoxLayout* row, const QString& caption);
QLineEdit* addTextBox(QFormLayout* form, const QString& label, int maxLength);
// A drop-down list that takes only its own entries.
QComboBox* addDropDown(QFormLayout* form, const QString& label);
// Fills a drop-down list with the first column of a query's rows and leaves
// nothing chosen.
void fillDropDown(QComboBox* box, const QString& sql, const QVariantList& params = {});
// Chooses the entry with this text; nothing chosen when the list lacks it.
void chooseOrClear(QComboBox* box, const QString& text);
// The progress bar a list shows while it loads.
QProgressBar* addLoadBar(QBoxLayout* layout);

} // namespace material
