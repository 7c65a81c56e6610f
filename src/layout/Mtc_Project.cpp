#include "Mtc_Project.h"

#include "ListTools.h"
#include "app/Module1.h"

#include <QLineEdit>
#include <QTableWidget>

Mtc_Project::Mtc_Project(QWidget* parent) : PlantScreen(QStringLiteral("Maintenance - Project"), true, parent)
{
    txtID = addTextBox(QStringLiteral("Project ID"), 20);
    txtDesc = addTextBox(QStringLiteral("Description"), 30);
    msfgProject = addGrid(QStringLiteral("msfgProject"));
    Module1::InstallUpperCaseKeyBox(txtID);

    CycleSetup s = cycleSetup();
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc};
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("proj_info");
    b.fields = {{QStringLiteral("proj_id"), txtID, true, true}, {QStringLiteral("proj_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The Project ID cannot be null ...");
    b.guardTable = QStringLiteral("line_set");
    b.guardColumns = {QStringLiteral("proj_id")};
    b.guardMessage = QStringLiteral(" records are using this Project, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_Project::LoadData()
{
    Module1::InitGrid(msfgProject, {"Project ID", "Project Description", "User ID", "User Name", "Update Time"},
                      {2500, 3500, 1000, 2000, 2000});
    Module1::FillGrid(msfgProject, QStringLiteral(
                                       "select A.proj_id, A.proj_desc, A.update_user, B.user_name, A.update_time "
                                       "from proj_info A left join user_list B on A.update_user = B.user_id "
                                       "order by A.proj_id"));
    finishLoad();
}

std::optional<workbook::ImportLayout> Mtc_Project::importLayout() const
{
    return bindingImportLayout();
}
