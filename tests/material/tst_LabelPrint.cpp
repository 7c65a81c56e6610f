#include "DbRows.h"
#include "MaterialKit.h"
#include "Mtc_Comp_Link.h"
#include "Mtc_Part.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "label/LabelSink.h"

#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using kit::prompter;
using Module1::gConn;

namespace {

// A printer that takes no job.
class RefusingSink : public label::LabelSink
{
public:
    int tries = 0;
    bool send(const QByteArray&, QString* error) override
    {
        *error = QStringLiteral("printer is offline %1").arg(++tries);
        return false;
    }
};

void addLot(const QString& id, const QString& comp, int second)
{
    gConn().exec("insert into component_link (link_id, comp_code, vender_name, update_user, update_time) "
                 "values (?, ?, 'V1', 'SYSADMIN', ?)",
                 {id, comp, QDateTime(QDate(2024, 12, 6), QTime(8, 0, second))});
}

} // namespace

// The Print buttons of the part-number and lot screens: the labels the
// answer asks for, printer failures told once per run, and a label the
// printer's code page cannot carry refused before anything is sent.
class LabelPrintTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_out;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        kit::addProject("P1");
        kit::addPart("PN-4711.A", "P1");
        addLot("1412060001", "10-0001-234", 0);
        m_out = m_dir.filePath("labels.prn");
        QFile::remove(m_out);
        label::setSink(std::make_unique<label::FileLabelSink>(m_out));
    }
    void cleanup() { label::setSink(nullptr); }

    void copiesAsAnswered_data()
    {
        QTest::addColumn<QString>("answer"); // null: Cancel
        QTest::addColumn<int>("labels");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("2.5, halves to even") << "2.5" << 2;
        QTest::newRow("Cancel") << QString() << 0;
    }
    void copiesAsAnswered()
    {
        QFETCH(QString, answer);
        QFETCH(int, labels);
        const std::optional<QString> given = answer.isNull() ? std::nullopt : std::optional<QString>(answer);
        Mtc_Part part;
        part.cmdPrint->click(); // no part number: no question either
        QVERIFY(!QFile::exists(m_out));
        part.msfgModule->setCurrentCell(0, 1);
        prompter().inputs.enqueue(given);
        part.cmdPrint->click();
        QCOMPARE(kit::readFile(m_out), kit::golden("part_PN-4711.A.lbl").repeated(labels));

        QFile::remove(m_out);
        Mtc_Comp_Link link;
        kit::clickRow(link.LvData, 0);
        prompter().inputs.enqueue(given);
        link.cmdPrint->click();
        QCOMPARE(kit::readFile(m_out), kit::golden("link_10-0001-234_1412060001.lbl").repeated(labels));
        QVERIFY(prompter().messages.isEmpty());
    }

    void failuresAreReportedOncePerRun()
    {
        auto* refusing = new RefusingSink;
        label::setSink(std::unique_ptr<label::LabelSink>(refusing));
        Mtc_Part s;
        s.msfgModule->setCurrentCell(0, 1);
        prompter().inputs.enqueue(QStringLiteral("3"));
        s.cmdPrint->click();
        QCOMPARE(refusing->tries, 3); // every label was tried
        QCOMPARE(prompter().texts(), QStringList({"3 of 3 labels were not printed: printer is offline 1"}));
        QCOMPARE(testing::errorLogLines(), QStringList({"Label printer: printer is offline 1"}));
    }

    // "Order Print" of a row and the row above it, one of which the printer
    // cannot carry: refused and named, and no label of the run is sent.
    void charactersOutsideTheCodePageAreRefused()
    {
        addLot("1412060002", "10-Ω", 1);
        Mtc_Comp_Link s;
        s.CHK_Prn->setChecked(true);
        kit::clickRow(s.LvData, 1);
        prompter().inputs.enqueue(QStringLiteral("2"));
        s.cmdPrint->click();
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY2(prompter().last().text.startsWith("The character \"Ω\""), qPrintable(prompter().last().text));
        QVERIFY(!QFile::exists(m_out));
    }
};

TROVA_TEST(LabelPrintTest)
#include "tst_LabelPrint.moc"
