#include "Style.h"
#include "TestMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

// The look every list gets, and the identifier boxes' key filter.
class StyleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The selected row of a list shows, and its text stays drawn on the
    // selection colour.
    void selectedRowIsReadable()
    {
        QTreeWidget list;
        Module1::StyleListView(&list);
        auto* selected = new QTreeWidgetItem(&list, { QStringLiteral("WWWWWW") });
        auto* other = new QTreeWidgetItem(&list, { QStringLiteral("WWWWWW") });
        list.show();
        list.setCurrentItem(selected);
        const QImage on = list.viewport()->grab(list.visualItemRect(selected)).toImage();
        const QImage off = list.viewport()->grab(list.visualItemRect(other)).toImage();
        const QColor back = on.pixelColor(on.width() - 2, on.height() / 2); // right of the text
        QVERIFY(back != off.pixelColor(off.width() - 2, off.height() / 2));
        int ink = 0;
        for (int y = 0; y < on.height(); ++y) {
            for (int x = 0; x < on.width() / 2; ++x) {
                const QColor c = on.pixelColor(x, y);
                ink += std::abs(c.red() - back.red()) + std::abs(c.green() - back.green())
                        + std::abs(c.blue() - back.blue())
                    > 150;
            }
        }
        QVERIFY2(ink > 20, qPrintable(QString::number(ink)));
    }

    // Editing keys do in an identifier box what they do in any box, with
    // the text the window system gives them; typed letters are upper-cased.
    void editingKeysPassTheIdFilter_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("Delete as X11 sends it") << int(Qt::Key_Delete) << QStringLiteral("\x7f");
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << QStringLiteral("\b");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << QStringLiteral("\x1b");
        QTest::newRow("Tab") << int(Qt::Key_Tab) << QStringLiteral("\t");
        for (const int k : {Qt::Key_Home, Qt::Key_End, Qt::Key_Left, Qt::Key_Right})
            QTest::newRow(qPrintable(QKeySequence(k).toString())) << k << QString();
    }
    void editingKeysPassTheIdFilter()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QLineEdit filtered;
        QLineEdit plain;
        Module1::InstallIdKeyFilter(&filtered);
        for (QLineEdit* box : {&filtered, &plain}) {
            QTest::keyClicks(box, QStringLiteral("opx"));
            box->setCursorPosition(1);
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(box, &press);
        }
        QCOMPARE(filtered.text(), plain.text().toUpper());
        QCOMPARE(filtered.cursorPosition(), plain.cursorPosition());
    }
};

TROVA_TEST(StyleTest)
#include "tst_Style.moc"
