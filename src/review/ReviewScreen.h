#pragma once

#include "QueryRunner.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <functional>

class QComboBox;
class QDateTimeEdit;
class QGridLayout;
class QPushButton;
class QTreeView;
class QueryModel;

// What the review screens share: the window centred when first shown, the
// layout around a check list with its "From"/"To" time window, the columns of
// a listed check record, the choice boxes filled from the database, and the
// database work of a handler with the hourglass and the error shown. The
// list fills through the query screens' runner, a batch at a time, so that
// a long list never keeps the terminal monitor from answering; what acts on
// a row acts on the rows listed so far.
class ReviewScreen : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewScreen(QWidget* parent = nullptr);

    // The headers "Update Time" to "User Name" and their widths in twips;
    // rtNoWidth is the one width the two check lists differ in.
    static QStringList checkHeaders();
    static QList<int> checkWidths(int rtNoWidth);

    QueryModel* model() const { return m_model; }
    QueryRunner* runner() const { return m_runner; }

public Q_SLOTS:
    // After a login as another user the screen starts afresh, so nothing the
    // previous user chose or typed is acted on under the new user's name.
    void resetForUser() { Form_Load(); }

protected:
    // Puts the screen in the state it opens in.
    virtual void Form_Load() = 0;
    // The screen's list over its model (hidden column 0: the row's kind),
    // and the runner that fills it. Made once, before the layout.
    QTreeView* newList(const QStringList& headers, const QList<int>& widthsTwips);
    // Empties the list and fills it from the statements; a running fill is
    // replaced. The buttons given to waitForList are disabled until the
    // list is whole (an export takes the whole list).
    void startFill(const QVector<query::Statement>& statements, const QueryRunner::Convert& convert);
    void waitForList(QPushButton* button);
    // Empties the list for a search that has nothing to look for.
    void clearList();
    // The row the user chose; -1 when none.
    int currentRow() const;
    // A picker showing "MM/dd/yyyy HH:mm:ss".
    QDateTimeEdit* newTimePicker();
    // An editable choice box.
    QComboBox* newChoiceBox();
    // The filters with "From"/"To" and the pickers on their second row, the
    // list under them and the buttons at the bottom right.
    void layOutCheckList(QGridLayout* filters, QDateTimeEdit* from, QDateTimeEdit* to, QTreeView* list,
                         const QList<QPushButton*>& buttons);
    // Refills a box from the statement's first column with its signals
    // quiet, then selects the first entry (the box's own handler runs for
    // it); an empty box is left without text. A database failure is shown.
    static void fillChoices(QComboBox* box, const QString& sql, const QVariantList& params = {});
    // Tells whether a one-record update found its record.
    static void tellUpdated(int changed);
    // Runs work with the hourglass; a database failure is shown. False when
    // it failed.
    static bool runDb(const std::function<void()>& work);

private:
    QueryModel* m_model = nullptr;
    QueryRunner* m_runner = nullptr;
    QTreeView* m_list = nullptr;
};
