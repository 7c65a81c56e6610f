#include "security/Digest.h"
#include "TestMain.h"

#include <QTest>

using Module1::Encode;

class DigestTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void knownDigests_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("digest");
        QTest::newRow("seeded administrator") << "SYSADMIN" << "SYSADMIN" << "42691428";
        // One character each: the password lands on the "Z" cell and is lost.
        QTest::newRow("1+1, pad group") << "A" << "B" << "40456010";
        QTest::newRow("1+1, password ignored") << "A" << "C" << "40456010";
        // Odd total: the extra "Z" cell keeps every character.
        QTest::newRow("user longer than password") << "AB" << "C" << "45257850";
        // Nine-digit sum: the first digit is dropped.
        QTest::newRow("nine digits cut") << "ZZ" << "ZZZ" << "38431610";
        QTest::newRow("case and blanks do not count") << "zz" << "  zzz " << "38431610";
        // A Windows-1252 character above 127 and a sum that has to be doubled.
        QTest::newRow("euro sign, doubled") << QString::fromUtf8("€") << "A" << "15838620";
    }
    void knownDigests()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, digest);
        const auto d = Encode(user, password);
        QVERIFY(d.has_value());
        QCOMPARE(*d, digest);
    }

    void refusedInput_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("empty user") << "" << "X";
        QTest::newRow("blank password") << "ADMIN" << "   ";
        // The blank of "A B" takes an odd cell, and the password runs out.
        QTest::newRow("blank leaves a cell unfilled") << "A B" << "XYZW";
        QTest::newRow("outside the code page") << "A" << QString::fromUtf8("中文");
        QTest::newRow("sum beyond 32 bits") << QString(60, QLatin1Char('Z')) << QString(60, QLatin1Char('Z'));
    }
    void refusedInput()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QVERIFY(!Encode(user, password).has_value());
    }
};

TROVA_TEST(DigestTest)
#include "tst_Digest.moc"
