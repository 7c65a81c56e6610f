#include "TestMain.h"
#include "update/InfoPage.h"

#include <QTest>

// The bounds of a page the wizard shows hold exactly where they are set,
// pictures counted in any case and spacing.
class InfoPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boundsHoldExactly()
    {
        const std::pair<QString, int> units[] = { { "<b>", update::kMaxPageTags },
            { "<img src=a.png>", update::kMaxPagePictures }, { "<IMG SRC=a.png>", update::kMaxPagePictures },
            { "< Img>", update::kMaxPagePictures } };
        for (const auto& [unit, most] : units) {
            QVERIFY2(update::isShowablePage(unit.repeated(most)), qPrintable(unit));
            QVERIFY2(!update::isShowablePage(unit.repeated(most + 1)), qPrintable(unit));
        }
    }
};

TROVA_TEST(InfoPageTest)
#include "tst_InfoPage.moc"
