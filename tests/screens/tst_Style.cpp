#include "Style.h"
#include "TestMain.h"

#include <QTest>
#include <QTreeWidget>

// The look every list gets.
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
};

TROVA_TEST(StyleTest)
#include "tst_Style.moc"
