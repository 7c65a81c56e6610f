#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons that step a count box they are not bound to: a
// click up reports +1, a click down -1.
class UpDown : public QWidget
{
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    QToolButton* up;
    QToolButton* down;

Q_SIGNALS:
    void changed(int value);
};
