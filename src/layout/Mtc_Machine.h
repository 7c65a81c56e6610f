#pragma once

#include "PlantScreen.h"

// The machines and the line each stands in (mc_info).
class Mtc_Machine : public PlantScreen
{
    Q_OBJECT

public:
    explicit Mtc_Machine(QWidget* parent = nullptr);
    void LoadData() override;

    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QComboBox* cboLine;
    QTableWidget* msfgMachine;

protected:
    std::optional<workbook::ImportLayout> importLayout() const override;
};
