#pragma once

#include "PlantScreen.h"

// The handheld terminals, each known by its gateway's address and its
// terminal id (dt200_info). No import.
class Mtc_DT200 : public PlantScreen
{
    Q_OBJECT

public:
    explicit Mtc_DT200(QWidget* parent = nullptr);
    void LoadData() override;

    QLineEdit* txtIP;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QTableWidget* msfgDT200;
};
