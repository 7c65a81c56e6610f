#include "Style.h"
#include "TestMain.h"

#include <QLineEdit>
#include <QScreen>
#include <QTest>

// The window and key helpers every screen calls at load.
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

    void identifierBoxTakesOnlyIdentifierKeys()
    {
        QLineEdit box;
        Module1::InstallIdKeyFilter(&box);
        QTest::keyClicks(&box, "ab-1/2.c d_e+f");
        QCOMPARE(box.text(), QString("AB-1/2.CDEF"));
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), QString("AB-1/2.CDE"));
    }
};

TROVA_TEST(StyleTest)
#include "tst_Style.moc"
