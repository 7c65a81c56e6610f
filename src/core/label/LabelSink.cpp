#include "label/LabelSink.h"

#include "app/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace label {

namespace {

std::unique_ptr<LabelSink>& installed()
{
    static std::unique_ptr<LabelSink> s;
    return s;
}

} // namespace

FileLabelSink::FileLabelSink(const QString& path) : m_path(path) {}

bool FileLabelSink::send(const QByteArray& job, QString* error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + f.errorString();
        return false;
    }
    const qint64 written = f.write(job);
    const bool flushed = f.flush();
    if (written != job.size() || !flushed) {
        if (error)
            *error = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + f.errorString();
        return false;
    }
    return true;
}

PrinterSettings PrinterSettings::load()
{
    QSettings ini(AppSettings::iniPath(), QSettings::IniFormat);
    auto pick = [&ini](const char* envName, const QString& key) {
        const QString e = qEnvironmentVariable(envName);
        return e.isEmpty() ? ini.value(key).toString() : e;
    };
    PrinterSettings s;
    s.queue = pick("TROVA_LABEL_QUEUE", QStringLiteral("Printer/Queue"));
    s.device = pick("TROVA_LABEL_DEVICE", QStringLiteral("Printer/Device"));
    return s;
}

std::unique_ptr<LabelSink> makeSink(const PrinterSettings& settings)
{
    if (!settings.device.isEmpty())
        return std::make_unique<FileLabelSink>(settings.device);
    return std::make_unique<CupsLabelSink>(settings.queue);
}

void setSink(std::unique_ptr<LabelSink> sink)
{
    installed() = std::move(sink);
}

LabelSink& sink()
{
    if (!installed())
        installed() = makeSink(PrinterSettings::load());
    return *installed();
}

} // namespace label
