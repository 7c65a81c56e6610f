#include "TestMain.h"
#include "update/InfoPage.h"

#include <QTest>

// The bounds of a page the wizard shows, each exactly where it is set.
class InfoPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boundsHoldExactly_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("most");
        QTest::newRow("tags") << "<b>" << update::kMaxPageTags;
        QTest::newRow("pictures") << "<img src=a.png>" << update::kMaxPagePictures;
        QTest::newRow("pictures in capitals") << "<IMG SRC=a.png>" << update::kMaxPagePictures;
        QTest::newRow("pictures with a blank") << "< Img>" << update::kMaxPagePictures;
    }
    void boundsHoldExactly()
    {
        QFETCH(QString, unit);
        QFETCH(int, most);
        QVERIFY(update::isShowablePage(unit.repeated(most)));
        QVERIFY(!update::isShowablePage(unit.repeated(most + 1)));
    }
};

TROVA_TEST(InfoPageTest)
#include "tst_InfoPage.moc"
