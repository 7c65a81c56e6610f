#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;
class QTableWidget;

// Secuirity - Function Grant: ticks the function codes one active group
// holds; Save replaces that group's grants as a whole. The new grants apply
// from the members' next login.
class SYS_Grant : public QWidget
{
    Q_OBJECT

public:
    explicit SYS_Grant(QWidget* parent = nullptr);
    QSize sizeHint() const override;

    void LoadData();
    void cboGroup_Click();
    void msfgFunc_Click(int row);
    void cmdSave_Click();
    void cmdexit_Click();

    bool isMarked(int row) const;
    // The text a ticked row holds in its first cell.
    static const QString kMark;

    QComboBox* cboGroup;
    QTableWidget* msfgFunc;
    QPushButton* cmdSave;
    QPushButton* cmdExit;

public Q_SLOTS:
    // Ticks not saved by the previous user go: the grants as stored.
    void resetForUser();

private:
    void initmsfgFunc();
    void sFlexCheck(int row, bool on);
    void markGroup();

};
