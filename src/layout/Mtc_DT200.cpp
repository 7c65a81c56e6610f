#include "Mtc_DT200.h"

#include "ListTools.h"
#include "app/Module1.h"
#include "setup/SetupImports.h"

#include <QLineEdit>
#include <QTableWidget>

Mtc_DT200::Mtc_DT200(QWidget* parent) : PlantScreen(QStringLiteral("Maintenance - GW21 & DT200"), false, parent)
{
    txtIP = addTextBox(QStringLiteral("GW21 IP"), 15);
    txtID = addTextBox(QStringLiteral("DT200 ID"), 8);
    txtDesc = addTextBox(QStringLiteral("Description"), 30);
    msfgDT200 = addGrid(QStringLiteral("msfgDT200"));
    // The terminal id is kept as typed but for a number, stored as the
    // monitor looks it up; only the gateway address is cleaned.
    Module1::InstallUpperCaseKeyBox(txtIP);

    CycleSetup s = cycleSetup();
    s.keyBoxes = {txtIP, txtID};
    s.otherBoxes = {txtDesc};
    s.editKeyBoxes = {txtID};
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("dt200_info");
    b.fields = {{QStringLiteral("gw21_ip"), txtIP, true, true},
                {QStringLiteral("dt200_id"), txtID, true, true, setup::FormatTerminalId},
                {QStringLiteral("dt200_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The GW21 IP or DT200 ID cannot be null ...");
    b.guardTable = QStringLiteral("check_history");
    b.guardColumns = {QStringLiteral("gw21_ip"), QStringLiteral("dt200_id")};
    b.guardMessage = QStringLiteral(" records are using this DT-200, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_DT200::LoadData()
{
    Module1::InitGrid(msfgDT200,
                      {"GW21 IP", "DT200 ID", "DT200 Description", "User ID", "User Name", "Update Time"},
                      {1500, 1500, 3000, 1000, 2000, 2000});
    Module1::FillGrid(msfgDT200, QStringLiteral(
                          "select A.gw21_ip, A.dt200_id, A.dt200_desc, A.update_user, B.user_name, A.update_time "
                          "from dt200_info A left join user_list B on A.update_user = B.user_id "
                          "order by A.gw21_ip, A.dt200_id"));
    finishLoad();
}
