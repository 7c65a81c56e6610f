#pragma once

#include "QueryRunner.h"

#include <QWidget>
#include <initializer_list>

class QBoxLayout;
class QComboBox;
class QLayout;
class QPushButton;
class QueryModel;

// What the query screens share: the Search, Export and Exit buttons, the
// model the runner fills (Export waits for the whole list), and a failed
// search shown.
class QueryScreen : public QWidget
{
    Q_OBJECT

public:
    QPushButton* cmdsearch() const { return m_search; }
    QueryModel* model() const { return m_model; }
    QueryRunner* runner() const { return m_runner; }

public Q_SLOTS:
    virtual void cmdsearch_Click() = 0;
    virtual void cmdexport_Click() = 0;
    void cmdexit_Click();

protected:
    QueryScreen(const QString& name, const QString& title, const QStringList& headers, Qt::Alignment alignment,
                QWidget* parent);

    // The buttons and the runner are made where they stand in the tab order.
    void createButtons();
    void createRunner();
    // A stretch, then the buttons.
    void addButtons(QBoxLayout* row);
    // The rows of filters and buttons, the view under them taking the room
    // left, and the runner at the bottom.
    void layOut(std::initializer_list<QLayout*> rows, QWidget* view);
    // Resizes the window and centres it.
    void place(int width, int height);

    void startSearch(const query::Statement& statement, const QueryRunner::Convert& convert);
    void startSearch(const QVector<query::Statement>& statements, const QueryRunner::Convert& convert);
    // The search ended or was stopped.
    virtual void searchEnded(int rows, bool stopped);

    // Refills a filter box (see querytools::fillBox); a database failure is
    // shown. False when it failed.
    static bool refill(QComboBox* box, const query::Statement& statement, bool withAll);

    QPushButton* m_search = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_exit = nullptr;
    QueryModel* m_model;
    QueryRunner* m_runner = nullptr;
};
