#include "Mtc_Line.h"

#include "ListTools.h"
#include "app/Module1.h"

#include <QLineEdit>
#include <QTableWidget>

Mtc_Line::Mtc_Line(QWidget* parent) : PlantScreen(QStringLiteral("Maintenance - Product Line "), true, parent)
{
    txtID = addTextBox(QStringLiteral("Line ID"), 8);
    txtDesc = addTextBox(QStringLiteral("Description"), 30);
    msfgLine = addGrid(QStringLiteral("msfgLine"));
    Module1::InstallUpperCaseKeyBox(txtID);

    CycleSetup s = cycleSetup();
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc};
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("line_info");
    b.fields = {{QStringLiteral("line_id"), txtID, true, true}, {QStringLiteral("line_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The Line ID cannot be null ...");
    b.guardTable = QStringLiteral("check_history");
    b.guardColumns = {QStringLiteral("line_id")};
    b.guardMessage = QStringLiteral(" records are using this Line ID, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_Line::LoadData()
{
    Module1::InitGrid(msfgLine, {"Line ID", "Line Description", "User ID", "User Name", "Update Time"},
                      {2000, 3000, 1000, 2000, 3000});
    Module1::FillGrid(msfgLine, QStringLiteral(
                                    "select A.line_id, A.line_desc, A.update_user, B.user_name, A.update_time "
                                    "from line_info A left join user_list B on A.update_user = B.user_id "
                                    "order by A.line_id"));
    finishLoad();
}

std::optional<workbook::ImportLayout> Mtc_Line::importLayout() const
{
    return bindingImportLayout();
}
