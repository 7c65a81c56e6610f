#include "SYS_UGRP.h"

#include "FormWidgets.h"
#include "ListTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "security/Accounts.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using Module1::gConn;

namespace {

// Enter in the group id box moves on to the description.
class EnterToNext : public QObject
{
public:
    EnterToNext(QLineEdit* box, QWidget* next) : QObject(box), m_next(next) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_next->setFocus();
                return true;
            }
        }
        return false;
    }

private:
    QWidget* m_next;
};

} // namespace

SYS_UGRP::SYS_UGRP(QWidget* parent) : MaintenanceScreen(parent)
{
    setObjectName(QStringLiteral("SYS_UGRP"));
    setWindowTitle(QStringLiteral("Security - User Group"));

    lvUserGroup = new QTreeWidget(this);
    lvUserGroup->setObjectName(QStringLiteral("lvUserGroup"));
    txtUGid = new QLineEdit(this);
    txtUGid->setObjectName(QStringLiteral("txtUGid"));
    txtUGid->setMaxLength(8);
    txtUGDesc = new QLineEdit(this);
    txtUGDesc->setObjectName(QStringLiteral("txtUGDesc"));
    txtUGDesc->setMaxLength(30);
    Module1::InstallIdKeyFilter(txtUGid);
    txtUGid->installEventFilter(new EnterToNext(txtUGid, txtUGDesc));

    auto* buttons = new QHBoxLayout;
    CycleSetup s;
    cmdNew = addCycleButton(buttons, s.cmdNew, QStringLiteral("New"), "cmdNew");
    cmdEdit = addCycleButton(buttons, s.cmdEdit, QStringLiteral("Edit"), "cmdEdit");
    cmdDelete = addCycleButton(buttons, s.cmdDelete, QStringLiteral("Delete"), "cmdDelete");
    cmdSave = addCycleButton(buttons, s.cmdSave, QStringLiteral("Save"), "cmdSave");
    cmdCancel = addCycleButton(buttons, s.cmdCancel, QStringLiteral("Cancel"), "cmdCancel");
    cmdExit = addCycleButton(buttons, s.cmdexit, QStringLiteral("Exit"), "cmdExit");

    auto* boxes = new QGridLayout;
    formui::addLabelledRows(boxes, this,
                            {{QStringLiteral("Group ID"), txtUGid},
                             {QStringLiteral("Group Description"), txtUGDesc}});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvUserGroup, 1);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    resize(560, 420);

    s.list = lvUserGroup;
    s.keyBoxes = {txtUGid};
    s.otherBoxes = {txtUGDesc};
    s.modes.newMode = QStringLiteral("NEW");
    s.modes.editMode = QStringLiteral("EDIT");
    s.saveEnding = SaveEnding::Cancel;
    s.newClearsBoxes = false; // a row clicked before stays in the boxes
    setupCycle(s);
    Form_Load();
}

void SYS_UGRP::LoadUserGroups()
{
    try {
        db::ResultSet rs = gConn().query(
            QStringLiteral("select group_id, group_desc, status from user_group order by status, group_id"));
        Module1::InitList(lvUserGroup,
                          {QStringLiteral("Group ID"), QStringLiteral("Description"), QStringLiteral("Status")},
                          {2100, 4000, 0});
        // The row number stands in the item's own column here.
        lvUserGroup->setColumnHidden(0, false);
        lvUserGroup->setColumnWidth(0, 300 / Module1::kTwipsPerPixel);
        lvUserGroup->headerItem()->setTextAlignment(3, Qt::AlignCenter);
        int n = 0;
        QList<QTreeWidgetItem*> items;
        for (; !rs.eof(); rs.moveNext()) {
            auto* item = new QTreeWidgetItem;
            item->setText(0, QString::number(++n));
            item->setText(1, rs.text(0));
            item->setText(2, rs.text(1));
            item->setText(3, rs.text(2) == QLatin1String("0") ? QStringLiteral("Suspended") : QStringLiteral("Active"));
            item->setTextAlignment(3, Qt::AlignCenter);
            items << item;
        }
        lvUserGroup->addTopLevelItems(items);
    } catch (const db::DbError& e) {
        // The groups listed so far stay listed; the screen still browses.
        msg::box(e.text());
    }
    finishLoad();
    // Edit and Delete stay on with an empty list; they check for a row themselves.
    setButtons(true, true, true, false, false);
    txtUGid->clear();
    txtUGDesc->clear();
}

QTreeWidgetItem* SYS_UGRP::selectedItem() const
{
    if (lvUserGroup->topLevelItemCount() == 0)
        return nullptr;
    const QList<QTreeWidgetItem*> sel = lvUserGroup->selectedItems();
    return sel.isEmpty() ? nullptr : sel.first();
}

bool SYS_UGRP::rowShowable(const QStringList& texts)
{
    if (accounts::mayHandleGroup(texts.value(0), Module1::gGroupID))
        return true;
    msg::box(QStringLiteral("You cannot delete this Group ..."), msg::Buttons::Ok, msg::Icon::Information);
    return false;
}

void SYS_UGRP::rowToBoxes(const QStringList& texts)
{
    if (!selectedItem() || texts.size() < 2)
        return;
    txtUGid->setText(texts[0]);
    txtUGDesc->setText(texts[1]);
}

bool SYS_UGRP::enterAllowed(const QString& mode)
{
    if (mode != QLatin1String("EDIT"))
        return true;
    QTreeWidgetItem* item = selectedItem();
    if (!item)
        return false;
    if (!accounts::mayHandleGroup(item->text(1), Module1::gGroupID)) {
        msg::box(QStringLiteral("You cannot modify this Group ..."), msg::Buttons::Ok, msg::Icon::Information);
        return false;
    }
    txtUGid->setText(item->text(1));
    txtUGDesc->setText(item->text(2));
    return true;
}

void SYS_UGRP::modeEntered()
{
    if (EditMode == QLatin1String("NEW"))
        txtUGid->setFocus();
    else if (EditMode == QLatin1String("EDIT"))
        txtUGDesc->setFocus();
}

bool SYS_UGRP::saveAllowed()
{
    // Nothing to store without an identifier; the screen waits in its mode.
    return !txtUGid->text().isEmpty();
}

bool SYS_UGRP::inputAccepted()
{
    if (EditMode != QLatin1String("NEW"))
        return true;
    if (Module1::RecordExists(txtUGid->text().trimmed(), QStringLiteral("User_Group"), QStringLiteral("Group_id"))) {
        msg::box(QStringLiteral("User Group has been found..."));
        txtUGid->setCursorPosition(0);
        txtUGid->setFocus();
        return false;
    }
    return true;
}

void SYS_UGRP::insertRow()
{
    gConn().exec(QStringLiteral("insert into user_group (group_id, group_desc, status, update_user, update_time) "
                                "values (?, ?, '1', ?, sysdate)"),
                 {txtUGid->text().trimmed(), txtUGDesc->text(), Module1::gUserID});
    msg::box(QStringLiteral("User Group has been added ..."), msg::Buttons::Ok, msg::Icon::Information);
}

int SYS_UGRP::updateRow()
{
    const int changed =
        gConn().exec(QStringLiteral("update user_group set group_desc = ?, update_user = ?, update_time = sysdate "
                                    "where group_id = ?"),
                     {txtUGDesc->text(), Module1::gUserID, txtUGid->text().trimmed()});
    if (changed > 0)
        msg::box(QStringLiteral("User Group has been updated ..."), msg::Buttons::Ok, msg::Icon::Information);
    return changed;
}

int SYS_UGRP::deleteRow()
{
    return gConn().exec(QStringLiteral("delete from user_group where group_id = ?"), {txtUGid->text().trimmed()});
}

void SYS_UGRP::saveFailed(const db::DbError& error)
{
    // The screen stays in its mode with the input, to be corrected or cancelled.
    msg::box(error.text());
}
