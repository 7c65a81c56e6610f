#include "ListTools.h"
#include "TestMain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

// The lists that follow another box: one reaction per change of the text,
// however it came, and none for refilling a list.
class ComboCascadeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneReactionPerChange()
    {
        QComboBox box;
        box.setEditable(true);
        int reactions = 0;
        Module1::OnTextChange(&box, &box, [&] { ++reactions; });

        Module1::FillCombo(&box, db::ResultSet({ "id" }, { { QVariant("A") }, { QVariant("B") } }));
        QCOMPARE(reactions, 0);
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.currentIndex(), -1); // offered, not chosen
        QCOMPARE(box.currentText(), QString());

        box.setCurrentIndex(1); // picked
        QCOMPARE(reactions, 1);
        box.setEditText("B"); // set to what it holds: no change
        QCOMPARE(reactions, 1);
        box.setEditText("C"); // set by the program
        QCOMPARE(reactions, 2);
        box.lineEdit()->clear();
        QTest::keyClicks(box.lineEdit(), "xy"); // typed
        QCOMPARE(reactions, 5);

        // A refill empties the text without a reaction.
        Module1::FillCombo(&box, db::ResultSet({ "id" }, { { QVariant("D") } }));
        QCOMPARE(reactions, 5);
        QCOMPARE(box.currentText(), QString());
        QCOMPARE(box.currentIndex(), -1);
    }
};

TROVA_TEST(ComboCascadeTest)
#include "tst_ComboCascade.moc"
