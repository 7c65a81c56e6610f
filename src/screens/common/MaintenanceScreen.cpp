#include "MaintenanceScreen.h"

#include "ExcelImport.h"
#include "FormWidgets.h"
#include "ListTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "Style.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

MaintenanceScreen::MaintenanceScreen(QWidget* parent) : QWidget(parent) {}

void MaintenanceScreen::setupCycle(const CycleSetup& setup)
{
    m_setup = setup;
    if (m_setup.rowBoxes.isEmpty())
        m_setup.rowBoxes = m_setup.keyBoxes + m_setup.otherBoxes;
    if (m_setup.editKeyBoxes.isEmpty() && !m_setup.keyBoxes.isEmpty())
        m_setup.editKeyBoxes = {m_setup.keyBoxes.first()};

    auto wire = [this](QAbstractButton* b, void (MaintenanceScreen::*handler)()) {
        if (b)
            connect(b, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    wire(m_setup.cmdNew, &MaintenanceScreen::cmdNew_Click);
    if (m_setup.cmdNew)
        connect(m_setup.cmdNew, &QAbstractButton::clicked, this, [this] { focusAfterNew(); });
    wire(m_setup.cmdEdit, &MaintenanceScreen::cmdEdit_Click);
    wire(m_setup.cmdDelete, &MaintenanceScreen::cmdDelete_Click);
    wire(m_setup.cmdSave, &MaintenanceScreen::cmdSave_Click);
    wire(m_setup.cmdCancel, &MaintenanceScreen::cmdCancel_Click);
    wire(m_setup.cmdexit, &MaintenanceScreen::cmdexit_Click);
    wire(m_setup.cmdexport, &MaintenanceScreen::cmdexport_Click);
    wire(m_setup.cmdImport, &MaintenanceScreen::cmdImport_Click);
    if (m_setup.CHK_ALL)
        connect(m_setup.CHK_ALL, &QAbstractButton::clicked, this, [this] { CHK_ALL_Click(); });
    if (QAbstractItemView* view = listView()) {
        // A click and a move of the highlight by keys copy the row alike.
        Module1::OnRowPicked(view, [this](int row, int column, bool clicked) { onRowPicked(row, column, clicked); });
    }
    if (m_setup.list && m_setup.columnSort)
        Module1::InstallColumnSort(m_setup.list);
}

QPushButton* MaintenanceScreen::addCycleButton(QBoxLayout* row, QAbstractButton*& place, const QString& caption,
                                               const char* name)
{
    QPushButton* b = formui::addButton(this, row, caption, name);
    place = b;
    return b;
}

void MaintenanceScreen::Form_Load()
{
    Module1::CenterOnFirstShow(this);
    EditMode.clear();
    reload();
}

void MaintenanceScreen::setTableBinding(const TableBinding& binding)
{
    m_binding = binding;
    for (const Field& f : std::as_const(m_binding.fields))
        formui::limitToColumn(f.box, m_binding.table, f.column);
}

QAbstractItemView* MaintenanceScreen::listView() const
{
    if (m_setup.grid)
        return m_setup.grid;
    return m_setup.list;
}

int MaintenanceScreen::shownRows() const
{
    if (m_setup.grid)
        return m_setup.grid->rowCount();
    if (m_setup.list)
        return m_setup.list->topLevelItemCount();
    return 0;
}

bool MaintenanceScreen::viewAll() const
{
    return !m_setup.CHK_ALL || m_setup.CHK_ALL->isChecked();
}

void MaintenanceScreen::setButtons(bool newOn, bool editOn, bool deleteOn, bool saveOn, bool cancelOn)
{
    const std::pair<QAbstractButton*, bool> states[] = {{m_setup.cmdNew, newOn},
                                                        {m_setup.cmdEdit, editOn},
                                                        {m_setup.cmdDelete, deleteOn},
                                                        {m_setup.cmdSave, saveOn},
                                                        {m_setup.cmdCancel, cancelOn}};
    for (const auto& [button, on] : states) {
        if (button)
            button->setEnabled(on);
    }
}

void MaintenanceScreen::setBoxesEnabled(const QList<QWidget*>& boxes, bool on)
{
    for (QWidget* b : boxes)
        b->setEnabled(on);
}

void MaintenanceScreen::setListEnabled(bool on)
{
    if (QAbstractItemView* v = listView())
        v->setEnabled(on);
}

void MaintenanceScreen::finishLoad()
{
    m_listLost = false;
    const bool rows = shownRows() > 0;
    setButtons(true, rows, rows, false, false);
    if (m_setup.grid)
        Module1::ScrollToLastRow(m_setup.grid);
    if (m_setup.list)
        Module1::ScrollToLastRow(m_setup.list);
    setListEnabled(true);
    setBoxesEnabled(m_setup.keyBoxes, false);
    setBoxesEnabled(m_setup.otherBoxes, false);
}

void MaintenanceScreen::reload()
{
    try {
        LoadData();
    } catch (const Module1::FillStopped&) {
        // The list or its screen went meanwhile: nothing to say.
    } catch (const db::DbError& e) {
        m_listLost = true;
        msg::error(e.text());
    }
}

void MaintenanceScreen::relistIfLost()
{
    if (m_listLost)
        reload();
}

void MaintenanceScreen::tellIfNoRowChanged(int changed)
{
    if (changed != 0)
        return;
    // A Delete pressed before any row was shown has nothing to miss.
    bool shown = false;
    for (const QWidget* box : std::as_const(m_setup.editKeyBoxes))
        shown = shown || !boxText(box).trimmed().isEmpty();
    if (shown)
        msg::exclamation(QStringLiteral("The record as shown was not found any more; nothing was changed."));
}

bool MaintenanceScreen::passesGate(const QString& funcId)
{
    if (funcId.isEmpty())
        return true;
    try {
        if (Module1::HasGrant(funcId))
            return true;
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return false;
    }
    msg::box(QStringLiteral("You have no permission to use."));
    return false;
}

QString MaintenanceScreen::boxText(const QWidget* box)
{
    if (auto* e = qobject_cast<const QLineEdit*>(box))
        return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(box))
        return c->currentText();
    return QString();
}

void MaintenanceScreen::setBoxText(QWidget* box, const QString& text)
{
    if (auto* e = qobject_cast<QLineEdit*>(box)) {
        e->setText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(box)) {
        if (c->isEditable())
            c->setEditText(text);
        else
            formui::showStored(c, text);
    }
}

QVariantList MaintenanceScreen::trimmedKeys() const
{
    QVariantList keys;
    for (const Field& f : m_binding.fields) {
        if (f.key)
            keys << boxText(f.box).trimmed();
    }
    return keys;
}

QList<QWidget*> MaintenanceScreen::cycleWidgets() const
{
    QList<QWidget*> widgets{m_setup.cmdNew, m_setup.cmdEdit, m_setup.cmdDelete, m_setup.cmdSave, m_setup.cmdCancel};
    widgets << m_setup.keyBoxes << m_setup.otherBoxes << listView();
    return widgets;
}

MaintenanceScreen::CycleState MaintenanceScreen::cycleState() const
{
    CycleState state{EditMode, {}, {}};
    // Each widget's own setting, whatever its parents' state.
    for (const QWidget* w : cycleWidgets())
        state.enabled << (w && !w->testAttribute(Qt::WA_ForceDisabled));
    for (const QWidget* box : m_setup.keyBoxes + m_setup.otherBoxes)
        state.texts << boxText(box);
    return state;
}

void MaintenanceScreen::restoreCycleState(const CycleState& state)
{
    const QList<QWidget*> widgets = cycleWidgets();
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        if (widgets[i])
            widgets[i]->setEnabled(state.enabled.at(i));
    }
    const QList<QWidget*> boxes = m_setup.keyBoxes + m_setup.otherBoxes;
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        // A box left as it was is not touched, so none of its handlers run.
        if (boxText(boxes[i]) != state.texts.at(i))
            setBoxText(boxes[i], state.texts.at(i));
    }
    EditMode = state.mode;
}

bool MaintenanceScreen::enterMode(const QString& mode, const CycleState& before)
{
    EditMode = mode;
    try {
        modeEntered();
    } catch (const db::DbError& e) {
        msg::error(e.text());
        restoreCycleState(before);
        return false;
    }
    return true;
}

void MaintenanceScreen::cmdNew_Click()
{
    if (!passesGate(m_setup.gates.newCode) || !enterAllowed(m_setup.modes.newMode))
        return;
    const CycleState before = cycleState();
    setButtons(false, false, false, true, true);
    setBoxesEnabled(m_setup.keyBoxes, true);
    setBoxesEnabled(m_setup.otherBoxes, true);
    setListEnabled(false);
    // A new row takes only values the lists offer.
    for (QWidget* b : m_setup.keyBoxes + m_setup.otherBoxes) {
        if (auto* c = qobject_cast<QComboBox*>(b))
            formui::dropStoredOnly(c);
    }
    if (m_setup.newClearsBoxes) {
        for (QWidget* b : m_setup.keyBoxes + m_setup.otherBoxes) {
            if (auto* e = qobject_cast<QLineEdit*>(b))
                e->clear();
        }
    }
    if (m_setup.newFocusesKey && !m_setup.keyBoxes.isEmpty())
        m_setup.keyBoxes.first()->setFocus();
    enterMode(m_setup.modes.newMode, before);
}

void MaintenanceScreen::focusAfterNew()
{
    // New disables itself, and the focus falls on to the next button: a user
    // who pressed it goes on typing in the first box it opened instead.
    if (EditMode != m_setup.modes.newMode || (m_setup.cmdNew && m_setup.cmdNew->isEnabled()))
        return;
    const QList<QAbstractButton*> buttons = {m_setup.cmdNew,  m_setup.cmdEdit,   m_setup.cmdDelete,
                                             m_setup.cmdSave, m_setup.cmdCancel, m_setup.cmdexit,
                                             m_setup.cmdexport, m_setup.cmdImport};
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !buttons.contains(qobject_cast<QAbstractButton*>(focus)))
        return;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        const bool box = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)
                         || qobject_cast<QAbstractSpinBox*>(w);
        if (box && isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(this) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void MaintenanceScreen::cmdEdit_Click()
{
    if (!passesGate(m_setup.gates.editCode) || !enterAllowed(m_setup.modes.editMode))
        return;
    for (const QWidget* box : std::as_const(m_setup.editKeyBoxes)) {
        if (boxText(box).isEmpty())
            return;
    }
    const CycleState before = cycleState();
    setButtons(false, false, false, true, true);
    setBoxesEnabled(m_setup.otherBoxes, true);
    setListEnabled(false);
    EditMode = m_setup.modes.editMode;
    if (!m_setup.otherBoxes.isEmpty())
        m_setup.otherBoxes.first()->setFocus();
    enterMode(m_setup.modes.editMode, before);
}

void MaintenanceScreen::cmdDelete_Click()
{
    if (!passesGate(m_setup.gates.deleteCode) || !enterAllowed(m_setup.modes.delMode))
        return;
    if (msg::box(QStringLiteral("Confirm to delete?"), msg::Buttons::YesNo) == msg::Answer::No)
        return;
    const CycleState before = cycleState();
    setButtons(false, false, false, true, true);
    if (enterMode(m_setup.modes.delMode, before))
        cmdSave_Click();
}

QString MaintenanceScreen::gateOf(const QString& mode) const
{
    if (mode == m_setup.modes.newMode)
        return m_setup.gates.newCode;
    if (mode == m_setup.modes.editMode)
        return m_setup.gates.editCode;
    if (mode == m_setup.modes.delMode)
        return m_setup.gates.deleteCode;
    return QString();
}

void MaintenanceScreen::resetForUser()
{
    EditMode.clear();
    cmdCancel_Click();
}

void MaintenanceScreen::cmdSave_Click()
{
    const QString mode = EditMode;
    // The grant is asked again: it may have been taken away since the mode
    // was entered.
    if (!passesGate(gateOf(mode)))
        return;
    try {
        if (!saveAllowed())
            return;
        if (mode == m_setup.modes.newMode) {
            if (!inputAccepted())
                return;
            insertRow();
        } else if (mode == m_setup.modes.editMode) {
            if (!inputAccepted())
                return;
            tellIfNoRowChanged(updateRow());
        } else if (mode == m_setup.modes.delMode) {
            const qlonglong users = deleteGuardCount();
            if (users > 0) {
                showDeleteRefused(users);
                reload();
                setListEnabled(true);
                return;
            }
            tellIfNoRowChanged(deleteRow());
        }
    } catch (const db::DbError& e) {
        saveFailed(e);
        return;
    }
    endSave();
}

void MaintenanceScreen::endSave()
{
    if (m_setup.saveEnding == SaveEnding::Cancel) {
        cmdCancel_Click();
    } else {
        reload();
        setListEnabled(true);
    }
}

void MaintenanceScreen::saveFailed(const db::DbError& error)
{
    // Shown, never taken for success; what was typed stays to be mended.
    if (m_setup.saveFailure == SaveFailure::Exclamation)
        msg::exclamation(error.text() + QStringLiteral(" ..."));
    else
        msg::error(error.text());
    if (EditMode == m_setup.modes.delMode)
        setListEnabled(false);
}

void MaintenanceScreen::cmdCancel_Click()
{
    try {
        LoadData();
    } catch (const Module1::FillStopped&) {
    } catch (const db::DbError& e) {
        msg::error(e.text());
        // Cancel leaves the mode whatever the re-read does: what the list
        // still shows is browsed, with the buttons a load would have set.
        finishLoad();
        m_listLost = true;
        if (m_setup.cmdImport)
            m_setup.cmdImport->setEnabled(true);
    }
    clearBoxes();
    setListEnabled(true);
}

void MaintenanceScreen::clearBoxes()
{
    for (QWidget* b : m_setup.keyBoxes + m_setup.otherBoxes) {
        if (auto* e = qobject_cast<QLineEdit*>(b))
            e->clear();
    }
}

void MaintenanceScreen::cmdexit_Click()
{
    close();
}

void MaintenanceScreen::cmdexport_Click()
{
    exportList();
}

void MaintenanceScreen::exportList()
{
    if (m_setup.grid)
        Module1::ExportGridToExcel(m_setup.grid, m_setup.exportOptions);
    else if (m_setup.list)
        Module1::ExportListToExcel(m_setup.list, m_setup.exportOptions);
}

void MaintenanceScreen::cmdImport_Click()
{
    if (!passesGate(m_setup.gates.importCode))
        return;
    const auto layout = importLayout();
    if (!layout)
        return;
    Module1::ImportExcel(*layout, [this] { reload(); }, this, m_setup.cmdexit);
}

workbook::ImportLayout MaintenanceScreen::bindingImportLayout() const
{
    workbook::ImportLayout l;
    l.table = m_binding.table;
    for (const Field& f : m_binding.fields) {
        l.columns << workbook::ImportColumn{f.column};
        (f.key ? l.keyColumns : l.updateColumns) << f.column;
    }
    return l;
}

void MaintenanceScreen::CHK_ALL_Click()
{
    // Only a list that is not longer than the limit is reloaded: unticking
    // the box leaves a long list in place until the next reload.
    if (shownRows() <= Module1::kViewAllLimit)
        reload();
}

void MaintenanceScreen::onRowPicked(int row, int column, bool clicked)
{
    if (row < 0 || (clicked && !rowClickTaken(column)))
        return;
    const QStringList texts = m_setup.grid ? Module1::GridRowTexts(m_setup.grid, row)
                                           : Module1::ListRowTexts(m_setup.list, row);
    // A row the screen will not show leaves no other row behind for Edit or
    // Delete.
    if (!rowShowable(texts)) {
        clearBoxes();
        return;
    }
    rowToBoxes(texts);
}

void MaintenanceScreen::rowToBoxes(const QStringList& texts)
{
    for (int i = 0; i < m_setup.rowBoxes.size() && i < texts.size(); ++i)
        setBoxText(m_setup.rowBoxes[i], texts[i]);
}

bool MaintenanceScreen::inputAccepted()
{
    if (EditMode != m_setup.modes.newMode)
        return true;
    for (const Field& f : m_binding.fields) {
        if (!f.required)
            continue;
        const QString text = f.key ? boxText(f.box).trimmed() : boxText(f.box);
        if (text.isEmpty()) {
            msg::information(m_binding.requiredMessage);
            return false;
        }
    }
    return true;
}

void MaintenanceScreen::insertRow()
{
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (const Field& f : m_binding.fields) {
        names << f.column;
        marks << QStringLiteral("?");
        const QString text = f.storedForm ? f.storedForm(boxText(f.box)) : boxText(f.box);
        values << (f.key ? text.trimmed() : text);
    }
    names << QStringLiteral("update_user") << QStringLiteral("update_time");
    marks << QStringLiteral("?") << QStringLiteral("sysdate");
    values << Module1::gUserID;
    Module1::gConn().exec(QStringLiteral("insert into %1 (%2) values (%3)")
                              .arg(m_binding.table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                          values);
    // Stored: the boxes show the row as saved, so that Edit and Delete find
    // it. A refused row keeps what was typed, to be mended.
    for (const Field& f : m_binding.fields) {
        if (f.storedForm && boxText(f.box) != f.storedForm(boxText(f.box)))
            setBoxText(f.box, f.storedForm(boxText(f.box)));
    }
}

int MaintenanceScreen::updateRow()
{
    QStringList sets;
    QStringList where;
    QVariantList values;
    for (const Field& f : m_binding.fields) {
        if (f.key) {
            where << f.column + QStringLiteral(" = ?");
        } else {
            sets << f.column + QStringLiteral(" = ?");
            values << boxText(f.box);
        }
    }
    sets << QStringLiteral("update_user = ?") << QStringLiteral("update_time = sysdate");
    values << Module1::gUserID;
    values << trimmedKeys();
    return Module1::gConn().exec(QStringLiteral("update %1 set %2 where %3")
                              .arg(m_binding.table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" and "))),
                          values);
}

qlonglong MaintenanceScreen::deleteGuardCount()
{
    if (m_binding.guardTable.isEmpty())
        return 0;
    QStringList where;
    for (const QString& c : m_binding.guardColumns)
        where << c + QStringLiteral(" = ?");
    return Module1::gConn().count(
        QStringLiteral("select count(*) from %1 where %2").arg(m_binding.guardTable, where.join(QStringLiteral(" and "))),
        trimmedKeys().mid(0, m_binding.guardColumns.size()));
}

void MaintenanceScreen::showDeleteRefused(qlonglong users)
{
    msg::critical(QString::number(users) + m_binding.guardMessage);
}

int MaintenanceScreen::deleteRow()
{
    QStringList where;
    for (const Field& f : m_binding.fields) {
        if (f.key)
            where << f.column + QStringLiteral(" = ?");
    }
    return Module1::gConn().exec(
        QStringLiteral("delete from %1 where %2").arg(m_binding.table, where.join(QStringLiteral(" and "))),
        trimmedKeys());
}
