#include "Style.h"
#include "TestMain.h"

#include <QScreen>
#include <QTest>
#include <QTreeWidget>

// The placement every screen gets at load.
class StyleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void centerFormPlacesOrLeavesAlone()
    {
        QWidget form;
        form.resize(400, 300);
        Module1::CenterForm(&form);
        const QSize screen = form.screen()->size();
        QCOMPARE(form.pos(), QPoint((screen.width() - 400) / 2, (screen.height() - 300) / 8));

        QWidget maximised;
        maximised.move(33, 44);
        maximised.showMaximized();
        const QPoint before = maximised.pos();
        Module1::CenterForm(&maximised);
        QCOMPARE(maximised.pos(), before);
    }

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
