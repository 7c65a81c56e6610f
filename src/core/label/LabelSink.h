#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// Where label jobs go: a CUPS queue taking raw jobs, or a device or file the
// printer hangs on. Tests install a file sink.
namespace label {

// Where a label job goes. One job = one label = the lines joined, each ended by CR LF.
class LabelSink
{
public:
    virtual ~LabelSink() = default;
    // Sends one job; false with *error set when the printer did not take it.
    virtual bool send(const QByteArray& job, QString* error) = 0;
};

// Appends each job to a file; a device path (a serial or USB printer port)
// works too.
class FileLabelSink : public LabelSink
{
public:
    explicit FileLabelSink(const QString& path);
    bool send(const QByteArray& job, QString* error) override;
    const QString& path() const { return m_path; }

private:
    QString m_path;
};

// Sends each job as a raw document to a CUPS queue, never through a page
// printer driver. An empty queue name: the CUPS default destination.
class CupsLabelSink : public LabelSink
{
public:
    explicit CupsLabelSink(const QString& queue = QString());
    bool send(const QByteArray& job, QString* error) override;
    const QString& queue() const { return m_queue; }

private:
    QString m_queue;
};

// The label printer settings: Printer/Device (TROVA_LABEL_DEVICE) and
// Printer/Queue (TROVA_LABEL_QUEUE) of the installation's INI file, the
// environment first.
struct PrinterSettings
{
    QString queue;
    QString device;
    static PrinterSettings load();
};

// A device path when one is set, else the CUPS queue (or the default
// destination when none is named).
std::unique_ptr<LabelSink> makeSink(const PrinterSettings& settings);

void setSink(std::unique_ptr<LabelSink> sink); // tests install a file sink; nullptr = back to the configured one
LabelSink& sink(); // the configured sink (settings Printer/Queue, Printer/Device)

} // namespace label
