#include "Mtc_Machine.h"

#include "FormWidgets.h"
#include "ListTools.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

Mtc_Machine::Mtc_Machine(QWidget* parent) : PlantScreen(QStringLiteral("Maintenance - Machine"), true, parent)
{
    txtID = addTextBox(QStringLiteral("Machine ID"), 20);
    txtDesc = addTextBox(QStringLiteral("Description"), 30);
    cboLine = addComboBox(QStringLiteral("Line ID"));
    // Editable, so that a machine whose line is gone still shows that line
    // rather than whichever line the box held before.
    formui::makeEditable(cboLine);
    msfgMachine = addGrid(QStringLiteral("msfgMachine"));
    Module1::InstallUpperCaseKeyBox(txtID);

    CycleSetup s = cycleSetup();
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc, cboLine};
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("mc_info");
    b.fields = {{QStringLiteral("mc_id"), txtID, true, true},
                {QStringLiteral("mc_desc"), txtDesc},
                {QStringLiteral("line_id"), cboLine, false, true}};
    b.requiredMessage = QStringLiteral("The Machine ID or Line ID cannot be null ...");
    b.guardTable = QStringLiteral("check_history");
    b.guardColumns = {QStringLiteral("mc_id")};
    b.guardMessage = QStringLiteral(" records are using this Machine ID, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_Machine::LoadData()
{
    Module1::InitGrid(msfgMachine,
                      {"Machine ID", "Machine Description", "Line ID", "User ID", "User Name", "Update Time"},
                      {2000, 3000, 1500, 1000, 2000, 2000});
    db::Database& db = Module1::gConn();
    Module1::FillGrid(msfgMachine, QStringLiteral(
                                       "select A.mc_id, A.mc_desc, A.line_id, A.update_user, B.user_name, A.update_time "
                                       "from mc_info A left join user_list B on A.update_user = B.user_id "
                                       "order by A.line_id, A.mc_id"));
    finishLoad();

    // The line list is refilled; the line the box shows stays.
    const QString shown = cboLine->currentText();
    cboLine->clear();
    db::ResultSet lines = db.query(QStringLiteral("select distinct line_id from line_info order by line_id"));
    for (; !lines.eof(); lines.moveNext())
        cboLine->addItem(lines.text(0));
    cboLine->setEditText(shown);
}

std::optional<workbook::ImportLayout> Mtc_Machine::importLayout() const
{
    // A machine is one row whatever its line: a row naming another line for a
    // stored machine moves it there, as Edit on the screen can.
    workbook::ImportLayout l = bindingImportLayout();
    l.checks << [](const QStringList& cells) {
        if (Module1::gConn().count(QStringLiteral("select count(*) from line_info where line_id = ?"), {cells[2]}) > 0)
            return QString();
        return QStringLiteral("Cannot found the Line ID ") + cells[2];
    };
    return l;
}
