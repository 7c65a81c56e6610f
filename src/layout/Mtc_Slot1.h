#pragma once

#include "layout/SlotTree.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class UpDown;

// The modules and slots of one machine: pick a machine, set the prefix
// length and the module and slot counts, let Set generate the tree, and
// Save it in place of everything stored for that machine.
class Mtc_Slot1 : public QWidget
{
    Q_OBJECT

public:
    explicit Mtc_Slot1(QWidget* parent = nullptr);

    QComboBox* cboMC;
    QLineEdit* txtNum; // prefix length, "1" to "5"
    QLineEdit* txtMD; // modules
    QLineEdit* txtSlot; // slots per module
    UpDown* UpDown1;
    UpDown* UpDown2;
    QPushButton* cmdSet;
    QPushButton* cmdSave;
    QPushButton* cmdExit;
    QTreeWidget* TV;

    // The node's key ("T", "M" + number, "S" + number).
    static constexpr int KeyRole = Qt::UserRole;

    void cboMC_Click();
    void cmdSet_Click();
    void cmdSave_Click();
    void UpDown1_Change(int value);
    void UpDown2_Change(int value);
    // Shows the stored tree of the chosen machine and its counts.
    void LoadData();

    // The tree as shown, read by its levels.
    layout::SlotTree shownTree() const;

public Q_SLOTS:
    // A tree set but not saved by the previous user goes: no machine chosen.
    void resetForUser() { Form_Load(); }

private:
    void Form_Load();
    void drawTree(const layout::SlotTree& tree);

};
