#pragma once

#include "PlantScreen.h"

// The product lines (line_info).
class Mtc_Line : public PlantScreen
{
    Q_OBJECT

public:
    explicit Mtc_Line(QWidget* parent = nullptr);
    void LoadData() override;

    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QTableWidget* msfgLine;

protected:
    std::optional<workbook::ImportLayout> importLayout() const override;
};
