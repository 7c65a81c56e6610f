#include "SYS_Grant.h"

#include "FormWidgets.h"
#include "ListTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "security/Accounts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QTableWidget>

using Module1::gConn;

const QString SYS_Grant::kMark = QString(QChar(0x2714));

SYS_Grant::SYS_Grant(QWidget* parent) : QWidget(parent)
{
    Module1::CenterOnFirstShow(this);
    setObjectName(QStringLiteral("SYS_Grant"));
    setWindowTitle(QStringLiteral("Secuirity - Function Grant"));

    cboGroup = new QComboBox(this);
    cboGroup->setObjectName(QStringLiteral("cboGroup"));
    cboGroup->setEditable(false);
    msfgFunc = new QTableWidget(this);
    msfgFunc->setObjectName(QStringLiteral("msfgFunc"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdSave = formui::addButton(this, buttons, QStringLiteral("&Save"), "cmdSave");
    cmdExit = formui::addButton(this, buttons, QStringLiteral("E&xit"), "cmdExit");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("User Group"), this));
    top->addWidget(cboGroup, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(msfgFunc, 1);
    layout->addLayout(buttons);

    connect(cboGroup, &QComboBox::currentIndexChanged, this, [this] { cboGroup_Click(); });
    connect(msfgFunc, &QTableWidget::cellClicked, this, [this](int row, int) { msfgFunc_Click(row); });
    Module1::OnSpace(msfgFunc, [this](int row) { msfgFunc_Click(row); });
    connect(cmdSave, &QPushButton::clicked, this, &SYS_Grant::cmdSave_Click);
    connect(cmdExit, &QPushButton::clicked, this, &SYS_Grant::cmdexit_Click);

    initmsfgFunc();
    try {
        LoadData();
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

QSize SYS_Grant::sizeHint() const
{
    // The work area opens a screen at its size hint: the grid's columns whole
    // beside the scroll bar, and a good part of the list in sight.
    constexpr int kRowsInSight = 20;
    int columns = 0;
    for (int c = 0; c < msfgFunc->columnCount(); ++c)
        columns += msfgFunc->isColumnHidden(c) ? 0 : msfgFunc->columnWidth(c);
    const int frame = 2 * msfgFunc->frameWidth();
    const QSize grid(columns + msfgFunc->verticalScrollBar()->sizeHint().width() + frame,
                     msfgFunc->horizontalHeader()->sizeHint().height()
                         + kRowsInSight * msfgFunc->verticalHeader()->defaultSectionSize() + frame);
    const QSize shown = msfgFunc->sizeHint();
    return QWidget::sizeHint() + QSize(qMax(0, grid.width() - shown.width()), qMax(0, grid.height() - shown.height()));
}

void SYS_Grant::initmsfgFunc()
{
    Module1::InitGrid(msfgFunc, {QStringLiteral("Function ID"), QStringLiteral("Function Description")}, {2000, 4200});
    // The first column holds the tick.
    msfgFunc->setColumnHidden(0, false);
    msfgFunc->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("A")));
    msfgFunc->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignCenter);
    msfgFunc->setColumnWidth(0, 300 / Module1::kTwipsPerPixel);
}

void SYS_Grant::resetForUser()
{
    try {
        LoadData();
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

void SYS_Grant::LoadData()
{
    {
        const QSignalBlocker quiet(cboGroup);
        cboGroup->clear();
        db::ResultSet groups =
            gConn().query(QStringLiteral("select group_id from user_group where status = '1' order by group_id"));
        for (; !groups.eof(); groups.moveNext())
            cboGroup->addItem(groups.text(0));
        cboGroup->setCurrentIndex(cboGroup->count() > 0 ? 0 : -1);
    }
    // Without an active group there is nothing to grant to.
    cmdSave->setEnabled(cboGroup->count() > 0);

    msfgFunc->setRowCount(0);
    db::ResultSet rs = gConn().query(QStringLiteral("select func_id, func_desc from function_list order by func_id"));
    msfgFunc->setRowCount(rs.recordCount());
    int row = 0;
    for (; !rs.eof(); rs.moveNext(), ++row) {
        auto* mark = new QTableWidgetItem;
        mark->setTextAlignment(Qt::AlignCenter);
        msfgFunc->setItem(row, 0, mark);
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem(rs.text(c));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            msfgFunc->setItem(row, c + 1, item);
        }
    }
    markGroup();
}

void SYS_Grant::cboGroup_Click()
{
    try {
        markGroup();
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

void SYS_Grant::markGroup()
{
    QSet<QString> granted;
    if (cboGroup->currentIndex() >= 0) {
        db::ResultSet rs = gConn().query(
            QStringLiteral("select func_id from function_grant where group_id = ? order by func_id"),
            {cboGroup->currentText()});
        for (; !rs.eof(); rs.moveNext())
            granted.insert(rs.text(0));
    }
    for (int row = 0; row < msfgFunc->rowCount(); ++row) {
        const QTableWidgetItem* code = msfgFunc->item(row, 1);
        sFlexCheck(row, code && granted.contains(code->text()));
    }
}

bool SYS_Grant::isMarked(int row) const
{
    const QTableWidgetItem* item = msfgFunc->item(row, 0);
    return item && !item->text().isEmpty();
}

void SYS_Grant::sFlexCheck(int row, bool on)
{
    QTableWidgetItem* item = msfgFunc->item(row, 0);
    if (!item)
        return;
    QFont f = item->font();
    f.setBold(false);
    f.setPointSize(12);
    item->setFont(f);
    item->setText(on ? kMark : QString());
}

void SYS_Grant::msfgFunc_Click(int row)
{
    if (row < 0 || row >= msfgFunc->rowCount())
        return;
    sFlexCheck(row, !isMarked(row));
}

void SYS_Grant::cmdSave_Click()
{
    if (cboGroup->currentIndex() < 0)
        return;
    const QString group = cboGroup->currentText();
    QStringList codes;
    for (int row = 0; row < msfgFunc->rowCount(); ++row) {
        if (isMarked(row))
            codes << msfgFunc->item(row, 1)->text();
    }
    try {
        accounts::rewriteGrants(gConn(), group, codes, Module1::gUserID);
    } catch (const db::DbError& e) {
        // The group keeps its previous grants whole; the ticks stay for another try.
        msg::exclamation(e.text() + QStringLiteral(" ..."));
        return;
    }
    try {
        LoadData();
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
    msg::box(QStringLiteral("Save completed!"));
}

void SYS_Grant::cmdexit_Click()
{
    close();
}
