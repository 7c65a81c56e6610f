#include "Style.h"

#include "app/Module1.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTableWidget>
#include <QTreeWidget>

namespace Module1 {

namespace {

// Keys that move the caret or the focus, delete, or cancel.
bool isEditingKey(int key)
{
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Insert:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

class IdKeyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        // The filter is about typed characters: keys that type none pass
        // untouched, and so do the editing keys whatever text the window
        // system gives them (Delete comes with 0x7F on X11).
        if (key->text().isEmpty() || isEditingKey(key->key()))
            return false;
        const QChar c = key->text().at(0);
        int code = c.unicode();
        if (key->modifiers() & Qt::ControlModifier) {
            if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
                code = key->key() - Qt::Key_A + 1;
        }
        const int filtered = FilterIdKey(code);
        if (filtered == 0)
            return true;
        if (filtered < 32 || filtered == code)
            return false; // control keys and unchanged characters go on as typed
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box)
            box->insert(QString(QChar(filtered)));
        return true;
    }
};

} // namespace

void StyleFlexGrid(QTableView* grid)
{
    // Colours of the original grids, converted from their BGR values.
    grid->setStyleSheet(QStringLiteral(
        "QTableView { background-color: rgb(239,255,239); gridline-color: rgb(192,192,192); "
        "border: 1px solid rgb(128,128,128); }"
        "QHeaderView::section { background-color: rgb(85,136,187); color: white; "
        "border: 0px; border-right: 1px solid rgb(119,187,238); border-bottom: 1px solid rgb(119,187,238); "
        "padding: 2px; }"));
    grid->setShowGrid(false);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setMinimumSectionSize(300 / kTwipsPerPixel);
    grid->verticalHeader()->setDefaultSectionSize(300 / kTwipsPerPixel);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setWordWrap(false);
    grid->setFrameShape(QFrame::Box);
    // Nothing is edited in a grid: Tab and Shift+Tab move on to the next
    // control, as from any other box, instead of walking the cells forever.
    grid->setTabKeyNavigation(false);
}

void StyleListView(QTreeView* list)
{
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true); // whole-row selection
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(false);
    // A style sheet on the items replaces the style's drawing of the
    // selection too: without the second rule the selected row's text is
    // drawn in the selection's text colour on no selection colour.
    list->setStyleSheet(QStringLiteral("QTreeView::item { border-bottom: 1px solid rgb(220,220,220); }"
                                       "QTreeView::item:selected { background-color: palette(highlight); "
                                       "color: palette(highlighted-text); }"));
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
}

void CenterForm(QWidget* form)
{
    if (form->isMaximized())
        return;
    // A screen in the work area centres in the work area: a main window
    // smaller than the display would otherwise open it partly out of sight.
    auto* frame = qobject_cast<QMdiSubWindow*>(form);
    QSize s;
    if (frame && frame->mdiArea()) {
        s = frame->mdiArea()->viewport()->size();
    } else {
        QScreen* screen = form->screen() ? form->screen() : QApplication::primaryScreen();
        if (!screen)
            return;
        s = screen->size();
    }
    float left = float(s.width() - form->width()) / 2.0f;
    float top = float(s.height() - form->height()) / 8.0f;
    if (frame) {
        // Its title bar stays reachable when the screen is larger than the area.
        left = qMax(0.0f, left);
        top = qMax(0.0f, top);
    }
    form->move(int(left), int(top));
}

namespace {

    class CentreOnFirstShow : public QObject {
    public:
        using QObject::QObject;
        void arm() { m_done = false; }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::Show || m_done)
                return false;
            m_done = true;
            auto* screen = static_cast<QWidget*>(watched);
            // In the work area the frame is what moves; a screen of its own moves itself.
            if (auto* frame = qobject_cast<QMdiSubWindow*>(screen->parentWidget()))
                CenterForm(frame);
            else if (screen->isWindow())
                CenterForm(screen);
            return false;
        }

    private:
        bool m_done = false;
    };

} // namespace

void CenterOnFirstShow(QWidget* screen)
{
    // The filter has no meta-object of its own: it is told from the screen's
    // other children by its C++ type.
    for (QObject* child : screen->children()) {
        if (auto* armed = dynamic_cast<CentreOnFirstShow*>(child)) {
            armed->arm();
            return;
        }
    }
    screen->installEventFilter(new CentreOnFirstShow(screen));
}

void InstallIdKeyFilter(QLineEdit* box)
{
    box->installEventFilter(new IdKeyFilter(box));
}

} // namespace Module1
