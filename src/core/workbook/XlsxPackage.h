#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QXmlStreamReader>
#include <functional>
#include <optional>

// The parts of an .xlsx file, a zip package. A part is inflated as it is
// parsed, never more than kMaxPartBytes, and must come out whole: the bytes
// it declares, with its checksum.
namespace workbook {

class XlsxPackage
{
public:
    explicit XlsxPackage(const QString& path);
    ~XlsxPackage();
    XlsxPackage(const XlsxPackage&) = delete;
    XlsxPackage& operator=(const XlsxPackage&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    // Why the package is not open; empty when it is, or when it is no zip.
    const QString& openFailure() const { return m_openFailure; }
    bool hasPart(const QString& name) const;

    // Parses a part: parse gets the reader on the root element, reads the
    // XML and returns an empty text, or why the part is refused. An entity
    // that the part cannot resolve itself refuses it. Returns an empty text when the
    // part was read whole and parsed, else why not.
    using Parse = std::function<QString(QXmlStreamReader&)>;
    QString parsePart(const QString& name, const Parse& parse);

    // The bytes of a part; nothing with the reason when it cannot be read.
    std::optional<QByteArray> part(const QString& name, QString* reason);

    struct FirstSheet
    {
        QString part; // "xl/worksheets/sheet1.xml"
        bool date1904 = false;
    };
    // The part of the first sheet in the workbook's order, and its date system.
    std::optional<FirstSheet> firstSheet(QString* reason);

private:
    void* m_zip = nullptr;
    QFile m_file; // the same package, for the parts' bytes
    QString m_openFailure;
};

} // namespace workbook
