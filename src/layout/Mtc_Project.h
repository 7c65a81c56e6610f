#pragma once

#include "PlantScreen.h"

// The projects (proj_info).
class Mtc_Project : public PlantScreen
{
    Q_OBJECT

public:
    explicit Mtc_Project(QWidget* parent = nullptr);
    void LoadData() override;

    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QTableWidget* msfgProject;

protected:
    std::optional<workbook::ImportLayout> importLayout() const override;
};
