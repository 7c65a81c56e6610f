#include "OPT_Load_SN.h"

#include "ListTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "trace/Snapshot.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QTreeView>

using Module1::gConn;

namespace {

void tell(const QString& text)
{
    msg::box(text);
}

} // namespace

OPT_Load_SN::OPT_Load_SN(QWidget* parent)
    : ReviewScreen(parent)
{
    setWindowTitle(QStringLiteral("Operation - Load S/N"));
    LvData = newList({"Panel", "Update Time", "Part No", "Machine No", "Link ID", "Component", "Vender Component",
                      "Ref Designator", "Polarity Check", "Lot No", "Ship Date", "RT No", "QTY"},
                     {700, 2100, 1800, 2000, 1300, 1500, 1900, 1500, 1400, 1500, 1000, 1300, 800});
    cboProj = newChoiceBox();
    txtBatch = new QLineEdit(this);
    txtPanel = new QLineEdit(this);
    // Digits, points and hyphens only, typed or pasted.
    txtPanel->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.\\-]*")), txtPanel));
    txtSN = new QLineEdit(this);
    lstSN = new QListWidget(this);
    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdClear = new QPushButton(QStringLiteral("&Clear"), this);
    cmdExit = new QPushButton(QStringLiteral("E&xit"), this);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Material List"), this));
    left->addWidget(LvData, 1);
    left->addWidget(runner());
    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Project"), this), 0, 0);
    boxes->addWidget(cboProj, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Lot No"), this), 1, 0);
    boxes->addWidget(txtBatch, 1, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Panel No"), this), 2, 0);
    boxes->addWidget(txtPanel, 2, 1);
    boxes->addWidget(new QLabel(QStringLiteral("S/N"), this), 3, 0);
    boxes->addWidget(txtSN, 3, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdSave, cmdClear, cmdExit})
        buttons->addWidget(b);
    auto* right = new QVBoxLayout;
    right->addLayout(boxes);
    right->addWidget(lstSN, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 1);
    resize(1100, 600);
    setTabOrder(txtBatch, txtPanel);
    setTabOrder(txtPanel, txtSN);
    setTabOrder(txtSN, cmdSave);
    setTabOrder(cmdSave, cmdClear);
    setTabOrder(cmdClear, cmdExit);

    Module1::InstallUpperCaseKeyBox(txtBatch);
    txtPanel->installEventFilter(this);
    // Typing a project keeps the focus in its box; a picked one moves on.
    connect(cboProj->lineEdit(), &QLineEdit::textEdited, this, [this] {
        m_typing = true;
        QTimer::singleShot(0, this, [this] { m_typing = false; });
    });
    connect(cboProj, &QComboBox::currentTextChanged, this, &OPT_Load_SN::cboProj_Click);
    connect(txtBatch, &QLineEdit::returnPressed, this, [this] { txtPanel->setFocus(Qt::TabFocusReason); });
    connect(txtSN, &QLineEdit::returnPressed, this, &OPT_Load_SN::txtSN_Enter);
    connect(lstSN, &QListWidget::itemDoubleClicked, this, &OPT_Load_SN::lstSN_DblClick);
    connect(cmdSave, &QPushButton::clicked, this, &OPT_Load_SN::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &OPT_Load_SN::cmdClear_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    Form_Load();
}

void OPT_Load_SN::Form_Load()
{
    clearInputs();
    clearList();
    fillChoices(cboProj, QStringLiteral("select distinct proj_id from part_info order by proj_id"));
}

void OPT_Load_SN::ShowRecentChecks(const QString& project)
{
    const QDateTime now = Module1::now();
    startFill(trace::RecentChecks(project, now.addDays(-7), now), trace::RecentCheckRow);
}

void OPT_Load_SN::cboProj_Click()
{
    if (!cboProj->currentText().isEmpty())
        ShowRecentChecks(cboProj->currentText());
    clearInputs();
    if (!m_typing)
        txtBatch->setFocus(Qt::OtherFocusReason);
}

bool OPT_Load_SN::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtPanel && event->type() == QEvent::FocusOut) {
        // The box that the lookup itself opens takes the focus from the
        // window: that is no new leaving of the panel box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            txtPanel_LostFocus();
    }
    return ReviewScreen::eventFilter(watched, event);
}

void OPT_Load_SN::txtPanel_LostFocus()
{
    const QString panel = txtPanel->text().trimmed();
    if (panel.isEmpty() || m_inPanelLookup)
        return;
    m_inPanelLookup = true;
    QStringList serials;
    const bool read = runDb([&] {
        serials = trace::PanelSerials(gConn(), cboProj->currentText(), txtBatch->text(), panel);
    });
    lstSN->clear();
    if (read && !serials.isEmpty()) {
        if (msg::box(QStringLiteral("Panel No already exist,update it?"), msg::Buttons::YesNo) == msg::Answer::Yes) {
            lstSN->addItems(serials);
            txtSN->setFocus(Qt::OtherFocusReason);
        } else {
            txtPanel->clear();
            txtPanel->setFocus(Qt::OtherFocusReason);
        }
    }
    m_inPanelLookup = false;
}

void OPT_Load_SN::txtSN_Enter()
{
    const QString serial = txtSN->text().trimmed();
    if (serial.isEmpty())
        return;
    bool exists = false;
    if (runDb([&] { exists = trace::SerialExists(gConn(), cboProj->currentText(), serial); })) {
        if (exists) {
            tell(QStringLiteral("The S/N ") + serial + QStringLiteral(" already exist..."));
        } else {
            for (QListWidgetItem* same : lstSN->findItems(serial, Qt::MatchExactly | Qt::MatchCaseSensitive))
                delete same;
            lstSN->addItem(serial);
        }
    }
    txtSN->clear();
    txtSN->setFocus(Qt::OtherFocusReason);
}

void OPT_Load_SN::lstSN_DblClick()
{
    if (QListWidgetItem* item = lstSN->currentItem())
        delete item;
}

void OPT_Load_SN::cmdSave_Click()
{
    if (txtBatch->text().trimmed().isEmpty()) {
        tell(QStringLiteral("Please input the Batch No."));
        txtBatch->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (txtPanel->text().trimmed().isEmpty()) {
        tell(QStringLiteral("Please input the Panel No."));
        txtPanel->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (lstSN->count() == 0) {
        tell(QStringLiteral("Please input the S/N."));
        txtSN->setFocus(Qt::OtherFocusReason);
        return;
    }
    trace::PanelSave save;
    save.project = cboProj->currentText();
    save.batch = txtBatch->text();
    save.panel = txtPanel->text();
    for (int i = 0; i < lstSN->count(); ++i)
        save.serials << lstSN->item(i)->text();
    save.user = Module1::gUserID;
    save.day = Module1::now().date();

    // Built once: what the question is about is what gets stored.
    if (!runDb([&] { save.snapshots = trace::BuildSnapshots(gConn(), save.project, save.panel); }))
        return;
    if (save.snapshots->empty()) {
        tell(QStringLiteral("Can not find any component setting."));
        return;
    }
    if (msg::box(QStringLiteral("Are you sure save it?"), msg::Buttons::YesNo) != msg::Answer::Yes)
        return;
    trace::SaveResult result;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        result = trace::SavePanel(gConn(), save);
    } catch (const db::DbError& e) {
        QApplication::restoreOverrideCursor();
        // Any failure but a serial number stored before: its number and
        // description; the inputs stay for another try.
        tell(e.nativeCode() + QStringLiteral("  ") + e.text());
        return;
    }
    QApplication::restoreOverrideCursor();
    switch (result.status) {
    case trace::SaveResult::Status::NothingToSnapshot:
        tell(QStringLiteral("Can not find any component setting."));
        return;
    case trace::SaveResult::Status::SerialExists:
        tell(QStringLiteral("The SN ") + result.serial + QStringLiteral(" already exist."));
        return;
    case trace::SaveResult::Status::SequenceFull:
        tell(QStringLiteral("All %1 self numbers of today are used; the panel was not saved.")
                 .arg(trace::kMaxSelfSequence));
        return;
    case trace::SaveResult::Status::Saved:
        break;
    }
    tell(QStringLiteral("Save Successful!"));
    lstSN->clear();
    txtPanel->clear();
    txtPanel->setFocus(Qt::OtherFocusReason);
}

void OPT_Load_SN::cmdClear_Click()
{
    clearInputs();
    txtBatch->setFocus(Qt::OtherFocusReason);
}

void OPT_Load_SN::clearInputs()
{
    txtBatch->clear();
    txtPanel->clear();
    txtSN->clear();
    lstSN->clear();
}
