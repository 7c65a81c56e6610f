#include "LabelPrint.h"
#include "ScriptedPrompter.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "label/LabelSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using testing::ScriptedPrompter;

namespace {

ScriptedPrompter& prompter()
{
    return *ScriptedPrompter::current();
}

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

// The Print buttons' shared part: the quantity prompt and its refusals, and a
// print run that tells the operator once when the printer took nothing.
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

    void quantityPrompt()
    {
        const QList<std::optional<QString>> answers = {std::nullopt, QString(), QStringLiteral("abc"),
                                                       QStringLiteral("-2"), QStringLiteral("3.5"),
                                                       QStringLiteral("40000")};
        for (const auto& a : answers)
            prompter().inputs.enqueue(a);
        QCOMPARE(labelprint::AskPrintQuantity(), std::nullopt); // Cancel
        QCOMPARE(labelprint::AskPrintQuantity(), std::nullopt); // empty
        QCOMPARE(labelprint::AskPrintQuantity(), std::nullopt); // not a number, and no box
        QVERIFY(prompter().messages.isEmpty());
        QCOMPARE(labelprint::AskPrintQuantity(), std::optional<int>(0)); // negative: none
        QCOMPARE(labelprint::AskPrintQuantity(), std::optional<int>(4));
        QCOMPARE(labelprint::AskPrintQuantity(), std::nullopt);
        QCOMPARE(prompter().texts(), QStringList({"6Overflow"}));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(prompter().last().title, msg::applicationTitle());
    }

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

    void labelsThatPrintAreNotReported()
    {
        const QString path = m_dir.filePath(QStringLiteral("labels.prn"));
        label::setSink(std::make_unique<label::FileLabelSink>(path));
        {
            labelprint::PrintRun run;
            labelprint::PrintPartLabel(QStringLiteral("PN-1"));
        }
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(QFileInfo(path).size() > 0);
        QVERIFY(!QFile::exists(Module1::ErrorLogPath()));
    }
};

TROVA_TEST(LabelPrintTest)
#include "tst_LabelPrint.moc"
