#include "SYS_RESETPWD.h"

#include "FormWidgets.h"
#include "SYS_USER.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "security/Accounts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

SYS_RESETPWD::SYS_RESETPWD(QWidget* parent) : QWidget(parent)
{
    Module1::CenterOnFirstShow(this);
    setObjectName(QStringLiteral("SYS_RESETPWD"));
    setWindowTitle(QStringLiteral("Security - Reset User Password"));
    lvUser = new QTreeWidget(this);
    lvUser->setObjectName(QStringLiteral("lvUser"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdReassign = formui::addButton(this, buttons, QStringLiteral("&Reset"), "cmdReassign");
    cmdExit = formui::addButton(this, buttons, QStringLiteral("E&xit"), "cmdExit");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvUser, 1);
    layout->addLayout(buttons);
    resize(560, 420);

    connect(cmdReassign, &QPushButton::clicked, this, &SYS_RESETPWD::cmdReassign_Click);
    connect(cmdExit, &QPushButton::clicked, this, &SYS_RESETPWD::cmdexit_Click);
    lvUser->header()->setSectionsClickable(true);
    connect(lvUser->header(), &QHeaderView::sectionClicked, this, &SYS_RESETPWD::lvUser_ColumnClick);

    initlvUser();
    try {
        loadUsers();
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

void SYS_RESETPWD::initlvUser()
{
    Module1::StyleListView(lvUser);
    lvUser->setHeaderLabels({QStringLiteral("User ID"), QStringLiteral("User Name"), QStringLiteral("User Description"),
                             QStringLiteral("Effect Date"), QStringLiteral("Expiry Date")});
    const int widths[] = {1200, 2200, 2100, 1200, 1200};
    for (int c = 0; c < 5; ++c)
        lvUser->setColumnWidth(c, widths[c] / Module1::kTwipsPerPixel);
}

void SYS_RESETPWD::loadUsers()
{
    db::ResultSet rs = Module1::gConn().query(QStringLiteral(
        "select user_id, user_name, user_desc, effective_date, expiry_date from user_list order by user_id"));
    QList<QTreeWidgetItem*> items;
    for (; !rs.eof(); rs.moveNext()) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, rs.text(0));
        item->setText(1, rs.text(1));
        item->setText(2, rs.text(2));
        item->setText(3, SYS_USER::dateText(rs.dateTime(QStringLiteral("effective_date"))));
        item->setText(4, SYS_USER::dateText(rs.dateTime(QStringLiteral("expiry_date"))));
        items << item;
    }
    lvUser->addTopLevelItems(items);
}

void SYS_RESETPWD::lvUser_ColumnClick(int column)
{
    // Always ascending, however often the header is clicked.
    lvUser->sortItems(column, Qt::AscendingOrder);
}

void SYS_RESETPWD::cmdReassign_Click()
{
    const QList<QTreeWidgetItem*> selected = lvUser->selectedItems();
    if (selected.isEmpty()) {
        msg::information(QStringLiteral("Please select user at first ..."));
        return;
    }
    if (msg::box(QStringLiteral("Do you confirm reassign selected user's Password ?"), msg::Buttons::YesNoCancel,
                 msg::Icon::Question, QStringLiteral("Confirm"))
        != msg::Answer::Yes)
        return;
    const QString id = selected.first()->text(0);
    if (!accounts::mayResetPassword(id, Module1::gUserID)) {
        msg::exclamation(QStringLiteral("You have no permission to reassign system administrator password ..."));
        return;
    }
    accounts::ResetResult result;
    try {
        result = accounts::resetPassword(Module1::gConn(), id);
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return;
    }
    if (result == accounts::ResetResult::Refused) {
        msg::error(QStringLiteral("The password of %1 cannot be reset: the user id cannot serve as a password.").arg(id));
        return;
    }
    if (result == accounts::ResetResult::NotStored) {
        msg::error(QStringLiteral("The password was not reset: the user %1 is no longer stored.").arg(id));
        return;
    }
    msg::information(QStringLiteral("Reassign Password is success ..."));
    lvUser->clearSelection();
}

void SYS_RESETPWD::cmdexit_Click()
{
    close();
}
