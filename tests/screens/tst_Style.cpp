#include "Style.h"
#include "TestMain.h"

#include <QScreen>
#include <QTest>

// The placement every screen gets at load.
class StyleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void centerFormPlacesOrLeavesAlone()
    {
        QWidget form;
        form.resize(400, 300);
        Module1::CenterForm(&form);
        const QSize screen = form.screen()->size();
        QCOMPARE(form.pos(), QPoint((screen.width() - 400) / 2, (screen.height() - 300) / 8));

        QWidget huge;
        huge.resize(screen.width() + 200, screen.height() + 80);
        Module1::CenterForm(&huge);
        QCOMPARE(huge.pos(), QPoint(-100, -10));

        QWidget maximised;
        maximised.move(33, 44);
        maximised.showMaximized();
        const QPoint before = maximised.pos();
        Module1::CenterForm(&maximised);
        QCOMPARE(maximised.pos(), before);
    }

};

TROVA_TEST(StyleTest)
#include "tst_Style.moc"
