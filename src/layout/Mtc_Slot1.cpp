#include "Mtc_Slot1.h"

#include "FormWidgets.h"
#include "Style.h"
#include "UpDown.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace layout;

namespace {

// The prefix box takes only the keys "1" to "5"; every other typed key,
// Backspace included, is dropped. Keys that type nothing (Delete, arrows,
// Tab) pass.
class PrefixKeyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Delete)
            return false;
        if (key->key() == Qt::Key_Backspace)
            return true;
        if (key->text().isEmpty())
            return false;
        const QChar c = key->text().at(0);
        return c < QLatin1Char('1') || c > QLatin1Char('5');
    }
};

QTreeWidgetItem* node(QTreeWidgetItem* parent, const QString& key, const QString& text)
{
    auto* item = new QTreeWidgetItem(parent, {text});
    item->setData(0, Mtc_Slot1::KeyRole, key);
    return item;
}

} // namespace

Mtc_Slot1::Mtc_Slot1(QWidget* parent) : QWidget(parent)
{
    Module1::CenterOnFirstShow(this);
    setWindowTitle(QStringLiteral("Maintenance - Module & Slot"));
    resize(520, 560);

    cboMC = new QComboBox(this);
    cboMC->setEditable(false);
    cboMC->setMinimumContentsLength(20);
    txtNum = new QLineEdit(QStringLiteral("3"), this);
    txtNum->setMaxLength(1);
    txtNum->setFixedWidth(txtNum->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    txtNum->installEventFilter(new PrefixKeyFilter(txtNum));
    txtMD = new QLineEdit(QStringLiteral("1"), this);
    txtMD->setMaxLength(2);
    txtMD->setReadOnly(true);
    txtSlot = new QLineEdit(QStringLiteral("1"), this);
    txtSlot->setMaxLength(3);
    txtSlot->setReadOnly(true);
    UpDown1 = new UpDown(this);
    UpDown2 = new UpDown(this);
    auto* buttons = new QHBoxLayout;
    cmdSet = formui::addButton(this, buttons, QStringLiteral("Set"));
    cmdSave = formui::addButton(this, buttons, QStringLiteral("Save"));
    buttons->addStretch(1);
    cmdExit = formui::addButton(this, buttons, QStringLiteral("Exit"));
    TV = new QTreeWidget(this);
    TV->setObjectName(QStringLiteral("TV"));
    TV->setHeaderHidden(true);
    TV->setColumnCount(1);

    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Machine"), this), 0, 0);
    boxes->addWidget(cboMC, 0, 1, 1, 3);
    boxes->addWidget(txtNum, 0, 4);
    boxes->addWidget(new QLabel(QStringLiteral("Module"), this), 1, 0);
    boxes->addWidget(txtMD, 1, 1);
    boxes->addWidget(UpDown1, 1, 2);
    boxes->addWidget(new QLabel(QStringLiteral("Slot"), this), 2, 0);
    boxes->addWidget(txtSlot, 2, 1);
    boxes->addWidget(UpDown2, 2, 2);
    boxes->setColumnStretch(5, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    layout->addWidget(TV, 1);

    connect(cboMC, &QComboBox::currentIndexChanged, this, [this] { cboMC_Click(); });
    connect(cmdSet, &QPushButton::clicked, this, [this] { cmdSet_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    connect(UpDown1, &UpDown::changed, this, &Mtc_Slot1::UpDown1_Change);
    connect(UpDown2, &UpDown::changed, this, &Mtc_Slot1::UpDown2_Change);
    Form_Load();
}

void Mtc_Slot1::Form_Load()
{
    try {
        db::ResultSet rs = Module1::gConn().query(QStringLiteral("select distinct mc_id from mc_info order by mc_id"));
        const QSignalBlocker quiet(cboMC);
        cboMC->clear();
        for (; !rs.eof(); rs.moveNext())
            cboMC->addItem(rs.text(0));
        cboMC->setCurrentIndex(-1); // no machine chosen yet
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
    LoadData();
}

void Mtc_Slot1::cboMC_Click()
{
    LoadData();
}

void Mtc_Slot1::drawTree(const SlotTree& tree)
{
    TV->clear();
    auto* root = new QTreeWidgetItem(TV, {tree.machine});
    root->setData(0, KeyRole, kRootKey);
    QTreeWidgetItem* last = root;
    for (const ModuleNode& m : tree.modules) {
        QTreeWidgetItem* module = node(root, m.key, m.text);
        last = module;
        for (const SlotNode& s : m.slots)
            last = node(module, s.key, s.text);
    }
    // The last node in view: the root and the last module open, the others closed.
    for (QTreeWidgetItem* p = last->parent(); p; p = p->parent())
        p->setExpanded(true);
    TV->scrollToItem(last);
}

SlotTree Mtc_Slot1::shownTree() const
{
    SlotTree tree;
    tree.machine = cboMC->currentText();
    if (TV->topLevelItemCount() == 0)
        return tree;
    const QTreeWidgetItem* root = TV->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i) {
        const QTreeWidgetItem* m = root->child(i);
        ModuleNode module{m->data(0, KeyRole).toString(), m->text(0), {}};
        for (int j = 0; j < m->childCount(); ++j)
            module.slots.append({m->child(j)->data(0, KeyRole).toString(), m->child(j)->text(0)});
        tree.modules.append(module);
    }
    return tree;
}

void Mtc_Slot1::LoadData()
{
    TV->clear();
    const QString machine = cboMC->currentText();
    if (machine.isEmpty())
        return;
    SlotTree tree;
    try {
        tree = loadTree(Module1::gConn(), machine);
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return;
    }
    drawTree(tree);
    if (const auto counts = loadedCounts(tree)) {
        txtMD->setText(counts->modules);
        txtSlot->setText(counts->slots);
    }
}

void Mtc_Slot1::cmdSet_Click()
{
    // Everything is checked before the tree shown is touched: a refused Set
    // leaves the machine's tree, which Save would otherwise store empty.
    const QString machine = cboMC->currentText();
    if (machine.isEmpty()) {
        TV->clear();
        return;
    }
    const std::optional<int> prefix = readWholeNumber(txtNum->text());
    if (!prefix || *prefix < 1 || *prefix > 5) {
        msg::information(QStringLiteral("The prefix length must be a number from 1 to 5 ..."));
        return;
    }
    const std::optional<int> modules = readWholeNumber(txtMD->text());
    const std::optional<int> slots = readWholeNumber(txtSlot->text());
    if (!modules || !slots) {
        msg::information(QStringLiteral("The Module and Slot counts must be numbers ..."));
        return;
    }
    drawTree(generateTree(machine, *prefix, std::min(*modules, kMaxModules), std::min(*slots, kMaxSlots)));
}

void Mtc_Slot1::cmdSave_Click()
{
    const SlotTree tree = shownTree();
    if (tree.machine.isEmpty()) {
        // Nothing would be stored: not a success.
        msg::information(QStringLiteral("The Machine ID cannot be null ..."));
        return;
    }
    if (tree.slotCount() == 0) {
        // Saving it would delete every slot of the machine, which slot links
        // and component set-ups still name.
        msg::information(QStringLiteral("The tree has no module to save: set the modules and slots first ..."));
        return;
    }
    const std::optional<SaveFailure> failure = saveTree(Module1::gConn(), tree, Module1::gUserID);
    // The transaction has ended either way before any box is shown.
    if (!failure) {
        msg::box(QStringLiteral("Save Successful!"));
        LoadData();
        return;
    }
    if (failure->kind == db::ErrorKind::UniqueViolation || failure->kind == db::ErrorKind::ValueTooLong)
        msg::box(failureMessage(*failure));
    else
        msg::error(failure->description);
    // Nothing was stored: the tree the user built stays, to be saved again.
}

void Mtc_Slot1::UpDown1_Change(int value)
{
    txtMD->setText(stepCount(txtMD->text(), value, kMaxModules));
}

void Mtc_Slot1::UpDown2_Change(int value)
{
    txtSlot->setText(stepCount(txtSlot->text(), value, kMaxSlots));
}
