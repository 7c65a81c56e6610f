#include "LabelPrint.h"
#include "MaterialKit.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "label/LabelSink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using kit::prompter;

namespace {

// A printer that takes no job.
class RefusingSink : public label::LabelSink
{
public:
    int tries = 0;
    bool send(const QByteArray&, QString* error) override
    {
        *error = QStringLiteral("Label printer labels: printer is offline %1").arg(++tries);
        return false;
    }
};

} // namespace

// The Print buttons' shared part: the quantity asked for against the golden
// link label, and a print run that tells the operator once when the printer
// took nothing.
class LabelPrintTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init()
    {
        prompter().clear();
        AppSettings s = Module1::settings();
        s.logFolder = m_dir.filePath(QStringLiteral("log"));
        Module1::setSettings(s);
        QFile::remove(Module1::ErrorLogPath());
    }
    void cleanup() { label::setSink(nullptr); }

    void failuresAreReportedOncePerRun()
    {
        auto* refusing = new RefusingSink;
        label::setSink(std::unique_ptr<label::LabelSink>(refusing));
        {
            labelprint::PrintRun run;
            for (int i = 0; i < 3; ++i)
                labelprint::PrintPartLabel(QStringLiteral("PN-1"));
            labelprint::PrintLinkLabel(QStringLiteral("C1"), QStringLiteral("1412060001"));
            QVERIFY(prompter().messages.isEmpty()); // nothing while the run goes on
        }
        QCOMPARE(refusing->tries, 4); // every label was tried
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().text,
                 QStringLiteral("4 of 4 labels were not printed: Label printer labels: printer is offline 1"));
        QFile log(Module1::ErrorLogPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), 2); // one line and the end
        QVERIFY(lines[0].endsWith("  Label printer: Label printer labels: printer is offline 1\r"));

        // A label outside a run reports on its own.
        prompter().clear();
        labelprint::PrintPartLabel(QStringLiteral("PN-2"));
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(prompter().last().text.startsWith(QStringLiteral("1 of 1 labels")));
    }

    // Copies of one link label: as many as the answer says, none for a
    // negative answer, a cancelled box or an answer out of range.
    void copiesAsAnswered()
    {
        const QString path = m_dir.filePath(QStringLiteral("copies.prn"));
        label::setSink(std::make_unique<label::FileLabelSink>(path));
        const QByteArray one = kit::golden("link_10-0001-234_1412060001.lbl");
        const QList<QPair<std::optional<QString>, int>> runs = {
            {"3", 3}, {"3.5", 4}, {"-2", 0}, {std::nullopt, 0}, {"40000", 0}};
        for (const auto& [answer, labels] : runs) {
            QFile::remove(path);
            prompter().inputs.enqueue(answer);
            const int n = labelprint::AskPrintQuantity().value_or(0);
            labelprint::PrintRun run;
            for (int i = 0; i < n; ++i)
                labelprint::PrintLinkLabel(QStringLiteral("10-0001-234"), QStringLiteral("1412060001"));
            QCOMPARE(kit::readFile(path), one.repeated(labels));
        }
        // Only the quantity out of range says anything: its error, no title, no icon.
        QCOMPARE(prompter().texts(), QStringList({"6Overflow"}));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(prompter().last().title, msg::applicationTitle());
    }
};

TROVA_TEST(LabelPrintTest)
#include "tst_LabelPrint.moc"
