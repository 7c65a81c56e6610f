#include "TestMain.h"

#include <QTest>

// Run only by the harness check: a class that passes, then one whose function
// outlasts the function time-out the check sets. The process must end with a
// failure and a short log.
class AFirstClassTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passes() { QVERIFY(true); }
};

class PastTimeOutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outlastsItsTimeOut() { QTest::qWait(120000); }
};

TROVA_TEST(AFirstClassTest)
TROVA_TEST(PastTimeOutTest)

#include "tst_PastTimeOut.moc"
