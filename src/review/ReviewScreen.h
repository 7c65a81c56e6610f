#pragma once

#include "db/ResultSet.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <functional>

class QComboBox;
class QDateTimeEdit;
class QGridLayout;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// What the review screens share: the window centred when first shown, the
// layout around a check list with its "From"/"To" time window, the columns of
// a listed check record, the choice boxes filled from the database, and the
// database work of a handler with the hourglass and the error shown.
class ReviewScreen : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewScreen(QWidget* parent = nullptr);

    // The headers "Update Time" to "User Name" and their widths in twips;
    // rtNoWidth is the one width the two check lists differ in.
    static QStringList checkHeaders();
    static QList<int> checkWidths(int rtNoWidth);
    // Appends an item for the current row: sub-items 1 to 19 from fields 0
    // to 18, and the record's check_id kept with the item.
    static QTreeWidgetItem* addCheckItem(QTreeWidget* list, const db::ResultSet& rs);
    // The check_id of a listed record; 0 when there is none.
    static qlonglong checkIdOf(const QTreeWidgetItem* item);

public Q_SLOTS:
    // After a login as another user the screen starts afresh, so nothing the
    // previous user chose or typed is acted on under the new user's name.
    void resetForUser() { Form_Load(); }

protected:
    // Puts the screen in the state it opens in.
    virtual void Form_Load() = 0;
    // A picker showing "MM/dd/yyyy HH:mm:ss".
    QDateTimeEdit* newTimePicker();
    // An editable choice box.
    QComboBox* newChoiceBox();
    // The filters with "From"/"To" and the pickers on their second row, the
    // list under them and the buttons at the bottom right.
    void layOutCheckList(QGridLayout* filters, QDateTimeEdit* from, QDateTimeEdit* to, QTreeWidget* list,
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
};
