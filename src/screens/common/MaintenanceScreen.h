#pragma once

#include "db/DbError.h"
#include "ExcelExport.h"
#include "workbook/WorkbookImport.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QAbstractItemView;
class QBoxLayout;
class QCheckBox;
class QPushButton;
class QTableWidget;
class QTreeWidget;

// The cycle every maintenance, set-up and security screen runs: browse, then
// New, Edit or Delete, then Save or Cancel, back to browse. A screen builds
// its widgets, describes them in a CycleSetup, calls Form_Load, and fills in
// LoadData and what differs from the defaults: the statements of Save (by
// default made from its TableBinding), its input checks, its own refusals
// of a mode or a Save, its delete guard and refusal, what its modes do beyond the cycle, what Cancel clears, its
// export and its import layout.
class MaintenanceScreen : public QWidget
{
    Q_OBJECT

public:
    enum class SaveEnding {
        Reload, // LoadData; the boxes keep what was saved
        Cancel, // Cancel: LoadData and the boxes emptied
    };

    // How a database error in Save is shown. Either way nothing was stored
    // and the screen keeps its mode and every box as typed, with Save and
    // Cancel enabled, for the user to mend or cancel.
    enum class SaveFailure {
        Error, // the error's text (msg::error)
        Exclamation, // the description + " ..." (exclamation, "Information")
    };

    // The mode strings; the group screen spells two of them in capitals.
    struct Modes
    {
        QString newMode = QStringLiteral("New");
        QString editMode = QStringLiteral("Edit");
        QString delMode = QStringLiteral("Del");
    };

    // Function codes of the guarded buttons; an empty code is no gate.
    struct Gates
    {
        QString newCode;
        QString editCode;
        QString deleteCode;
        QString importCode;
    };

    // A box and the column it stands for, in the table's INSERT order.
    struct Field
    {
        QString column;
        QWidget* box = nullptr; // QLineEdit or QComboBox
        bool key = false;
        bool required = false; // checked by New: key boxes trimmed, others as they stand
        // The form New stores the typed value in; the box shows it once the
        // row is stored (a refused Save leaves the box as typed). Null: as
        // typed.
        QString (*storedForm)(const QString&) = nullptr;
    };

    // The screen's table as the default statements of Save use it. Keys are
    // written trimmed (a key stored with blanks could never be edited or
    // deleted, both of which look it up trimmed); other boxes as they stand.
    struct TableBinding
    {
        QString table;
        QList<Field> fields;
        QString requiredMessage; // e.g. "The Line ID cannot be null ..."
        // Delete guard: rows of guardTable whose guardColumns equal the
        // trimmed key boxes (in key order) keep the row; the count is shown
        // followed by guardMessage. Empty guardTable: no guard.
        QString guardTable;
        QStringList guardColumns;
        QString guardMessage; // " records are using this Line ID, it cannot be removed ..."
    };

    struct CycleSetup
    {
        QAbstractButton* cmdNew = nullptr;
        QAbstractButton* cmdEdit = nullptr;
        QAbstractButton* cmdDelete = nullptr;
        QAbstractButton* cmdSave = nullptr;
        QAbstractButton* cmdCancel = nullptr;
        QAbstractButton* cmdexit = nullptr;
        QAbstractButton* cmdexport = nullptr;
        QAbstractButton* cmdImport = nullptr;
        QCheckBox* CHK_ALL = nullptr; // "View All"
        QTableWidget* grid = nullptr; // the list: a grid ...
        QTreeWidget* list = nullptr; // ... or a list view
        QList<QWidget*> keyBoxes;
        QList<QWidget*> otherBoxes;
        // Boxes that receive the clicked row's columns 1, 2, 3 ...; empty:
        // keyBoxes then otherBoxes. A null entry skips its column.
        QList<QWidget*> rowBoxes;
        // Edit does nothing while one of these is empty (untrimmed); empty
        // list: the first key box.
        QList<QWidget*> editKeyBoxes;
        Modes modes;
        Gates gates;
        SaveEnding saveEnding = SaveEnding::Reload;
        SaveFailure saveFailure = SaveFailure::Error;
        bool newClearsBoxes = true; // New empties the text boxes
        bool newFocusesKey = true; // New puts the focus into the first key box
        bool columnSort = false; // list views: header click sorts
        Module1::ExportOptions exportOptions = Module1::ExportOption::None;
    };

    explicit MaintenanceScreen(QWidget* parent = nullptr);

    static constexpr int kRowsUncounted = -1;

    // The pending action: empty until the first New, Edit or Delete.
    QString EditMode;

    // The handlers of the cycle's buttons, connected by setupCycle.
    void cmdNew_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdexit_Click();
    void cmdexport_Click();
    void cmdImport_Click();
    void CHK_ALL_Click();

    // Rebuilds the list from the database; ends with finishLoad().
    virtual void LoadData() = 0;

    // Runs LoadData; a database failure is shown instead of being thrown.
    void reload();

    // Whether "View All" is ticked (true for a screen without the box).
    bool viewAll() const;
    // The rows the list shows.
    int shownRows() const;

public Q_SLOTS:
    // After a login as another user: the previous user's pending New, Edit
    // or Delete is dropped, and the boxes and lists are as the screen shows
    // them to the new user on opening.
    virtual void resetForUser();
    // After a login as the same user, which leaves the screen as it is: a
    // list that a failed read left empty is read again.
    void relistIfLost();

protected:
    void setupCycle(const CycleSetup& setup);
    // A button of the cycle, added to the row (with the object name, if one
    // is given) and put in its place in the setup:
    // cmdNew = addCycleButton(row, s.cmdNew, "&New").
    QPushButton* addCycleButton(QBoxLayout* row, QAbstractButton*& place, const QString& caption,
                                const char* name = nullptr);
    // The screen's load, called at the end of its constructor: EditMode
    // emptied, LoadData, and the window (its frame in the work area)
    // centred by CenterForm when it is first shown.
    void Form_Load();
    // Also caps each bound box at the width of its column (formui::limitToColumn).
    void setTableBinding(const TableBinding& binding);
    const CycleSetup& cycle() const { return m_setup; }

    // The end of every LoadData: browse state for the rows shown, the list
    // scrolled to its last row and enabled, the boxes disabled.
    void finishLoad();

    // Permission gate: true when the code is empty or granted; otherwise
    // shows "You have no permission to use." and returns false.
    bool passesGate(const QString& funcId);

    // A screen's own refusal of New, Edit or Delete (the mode string it would
    // enter), asked after the permission gate and before anything changes;
    // false leaves the screen as it is (the screen shows its message, if any).
    virtual bool enterAllowed(const QString& mode) { return true; }
    // Asked first by Save in every mode; false ends Save doing nothing.
    virtual bool saveAllowed() { return true; }
    // Whether a mouse click in the column copies the row; a move of the
    // highlight by keys always does.
    virtual bool rowClickTaken(int column) const { return true; }
    // Whether the picked row may be shown in the boxes; false (the screen
    // says why) empties them (clearBoxes) instead.
    virtual bool rowShowable(const QStringList& texts) { return true; }

    // What New, Edit or Delete does beyond the cycle (the screen's own boxes,
    // lists and buttons), called once EditMode and the buttons are set; for
    // Delete after the confirmation, before Save runs. It reads what it needs
    // before it changes anything: a database error it throws is shown and
    // the cycle's buttons, boxes, list and EditMode are put back as they
    // were before the button was pressed.
    virtual void modeEntered() {}

    // Save's parts. The defaults use the TableBinding.
    // The check before the statement of New and Edit. False ends Save where
    // it stands: the check has shown its message and, where the screen says
    // so, run Cancel. The default refuses a New whose required fields are
    // empty with the binding's message (information icon, "Information").
    virtual bool inputAccepted();
    virtual void insertRow();
    // The rows the statement changed: none means the row as shown was
    // changed or removed meanwhile, which Save then says. kRowsUncounted: a
    // write that does not look one shown row up, with nothing to tell.
    virtual int updateRow();
    virtual qlonglong deleteGuardCount(); // rows that keep the row from being deleted
    // The refusal of a delete the guard counted users for; default: the count
    // followed by the binding's guardMessage, critical icon, title "ERROR".
    // Save then reloads the list.
    virtual void showDeleteRefused(qlonglong users);
    virtual int deleteRow(); // as updateRow
    // A database error in Save: shown as the setup's saveFailure says; the
    // screen stays as it is (a pending Delete with its list disabled, so
    // that a Save again deletes the row confirmed).
    virtual void saveFailed(const db::DbError& error);

    // What Cancel empties after the reload; default: the key and other text boxes.
    virtual void clearBoxes();
    // Copies a picked row into the boxes, each value as stored (setBoxText).
    virtual void rowToBoxes(const QStringList& texts);
    // Export of the list as shown; default: the setup's list with its options.
    virtual void exportList();
    // The import's sheet layout; nothing for a screen without import.
    virtual std::optional<workbook::ImportLayout> importLayout() const { return std::nullopt; }
    // The import of the binding's table: a sheet column per bound box in its
    // order, the key columns finding the row, the others updated.
    workbook::ImportLayout bindingImportLayout() const;

    // Text of a box as it stands, and its key form (trimmed).
    static QString boxText(const QWidget* box);
    // Shows a stored value in a box; a drop-down list that lacks it shows it
    // all the same (formui::showStored), never the previous row's value.
    static void setBoxText(QWidget* box, const QString& text);
    QVariantList trimmedKeys() const;

    void setButtons(bool newOn, bool editOn, bool deleteOn, bool saveOn, bool cancelOn);
    void setBoxesEnabled(const QList<QWidget*>& boxes, bool on);
    void setListEnabled(bool on);
    QAbstractItemView* listView() const;

private:
    // What New, Edit and Delete change of the cycle's widgets.
    struct CycleState
    {
        QString mode;
        QList<bool> enabled; // buttons, key and other boxes, list
        QStringList texts; // key and other boxes
    };
    CycleState cycleState() const;
    void restoreCycleState(const CycleState& state);
    QList<QWidget*> cycleWidgets() const;
    // Sets EditMode and runs modeEntered; false (the error shown, the state
    // put back) when it fails on the database.
    bool enterMode(const QString& mode, const CycleState& before);

    // An Edit or Delete of the row shown that changed no row: the row was
    // changed or removed meanwhile, so Save must not pass for done.
    void tellIfNoRowChanged(int changed);
    QString gateOf(const QString& mode) const;
    void onRowPicked(int row, int column, bool clicked);
    // After New by its button: the focus into the first box New enabled,
    // when it fell on a button of the cycle.
    void focusAfterNew();
    void endSave();

    CycleSetup m_setup;
    TableBinding m_binding;
    bool m_listLost = false; // the last read of the list failed
};
