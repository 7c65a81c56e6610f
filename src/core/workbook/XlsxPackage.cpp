#include "workbook/XlsxPackage.h"

#include "workbook/SheetReader.h"

#include "archive/ZipEntry.h"

#include <QFile>
#include <QIODevice>
#include <QStringList>
#include <algorithm>
#include <memory>

#include <ioapi.h>
#include <unzip.h>

#include <cstdio>
#include <unistd.h>

namespace workbook {

namespace {

QString normalised(QString name)
{
    if (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name;
}

// One part, inflated as the parser asks for it. The declared size is checked
// against the cap before anything is inflated, and the part never gives
// more.
class PartDevice : public QIODevice
{
public:
    PartDevice(unzFile zip, QFile& archive, const QString& name) : m_name(name)
    {
        const QByteArray n = name.toUtf8();
        std::optional<archive::EntryInfo> entry;
        if (unzLocateFile(zip, n.constData(), 1) != UNZ_OK) {
            failure = QStringLiteral("The part %1 is missing.").arg(name);
        } else if (!(entry = archive::currentEntry(zip))) {
            failure = QStringLiteral("The entry of the part %1 is damaged.").arg(name);
        } else if (entry->size > quint64(kMaxPartBytes)) {
            failure = QStringLiteral("The part %1 inflates to %2 bytes, more than the %3 a part may hold.")
                          .arg(name)
                          .arg(entry->size)
                          .arg(kMaxPartBytes);
        } else {
            m_entry.emplace(zip, archive, *entry);
            m_size = qint64(entry->size);
            takeFault();
        }
        m_ended = !failure.isEmpty();
        open(QIODevice::ReadOnly);
    }

    qint64 size() const override { return m_size; }
    // Also after a failure: the parser then stops instead of waiting for
    // more.
    bool atEnd() const override { return m_ended; }

    // Inflates what the parser left and checks that the part came out whole.
    QString finish()
    {
        char buf[65536];
        while (failure.isEmpty() && readData(buf, sizeof buf) > 0) {
        }
        return failure;
    }

    QString failure;

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_ended || maxSize <= 0)
            return m_ended && !failure.isEmpty() ? -1 : 0;
        const qint64 got = m_entry->read(data, std::min<qint64>(maxSize, 1 << 20));
        takeFault();
        m_ended = got <= 0;
        return failure.isEmpty() ? got : -1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void takeFault()
    {
        using Fault = archive::EntryReader::Fault;
        switch (m_entry->fault()) {
        case Fault::None:
            return;
        case Fault::Encrypted:
            failure = QStringLiteral("The part %1 is encrypted.").arg(m_name);
            return;
        case Fault::Method:
            failure = QStringLiteral("The part %1 is compressed by an unknown method.").arg(m_name);
            return;
        case Fault::Short:
            failure = QStringLiteral("The part %1 is shorter than it declares.").arg(m_name);
            return;
        case Fault::Long:
            failure = QStringLiteral("The part %1 does not end at its declared size.").arg(m_name);
            return;
        case Fault::Checksum:
            failure = QStringLiteral("The part %1 is damaged: its checksum does not match.").arg(m_name);
            return;
        case Fault::Damaged:
            failure = QStringLiteral("The part %1 is damaged: it does not inflate.").arg(m_name);
            return;
        }
    }

    std::optional<archive::EntryReader> m_entry;
    QString m_name;
    qint64 m_size = 0;
    bool m_ended = false;
};

// An entity the part cannot resolve from its own declarations: one
// declared as external (which the parser would silently drop, and which is
// never fetched or read here) or one declared nowhere. The first is noted
// with its line, and the part is refused for it.
class EntityGuard : public QXmlStreamEntityResolver
{
public:
    explicit EntityGuard(const QXmlStreamReader& x) : m_x(x) {}
    QString resolveUndeclaredEntity(const QString& name) override
    {
        note(name);
        return QString();
    }
    // The document type, read before the root element.
    void checkDeclarations()
    {
        for (const QXmlStreamEntityDeclaration& d : m_x.entityDeclarations()) {
            if (!d.systemId().isEmpty() || !d.publicId().isEmpty() || !d.notationName().isEmpty())
                note(d.name().toString());
        }
    }
    qint64 line = 0; // 0: none met
    QString name;

private:
    void note(const QString& entity)
    {
        if (line > 0)
            return;
        line = std::max<qint64>(1, m_x.lineNumber());
        name = entity;
    }
    const QXmlStreamReader& m_x;
};

QString limited(const QString& text)
{
    return text.size() > 200 ? text.left(200) + QStringLiteral("...") : text;
}

// A relationship target against the folder of the part that owns it;
// nothing when it climbs out of the package.
std::optional<QString> resolveTarget(const QString& ownerFolder, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return resolveTarget(QString(), target.mid(1));
    QStringList parts = ownerFolder.isEmpty() ? QStringList() : ownerFolder.split(QLatin1Char('/'));
    for (const QString& p : target.split(QLatin1Char('/'))) {
        if (p == QLatin1String("..")) {
            if (parts.isEmpty())
                return std::nullopt;
            parts.removeLast();
        } else if (p != QLatin1String(".") && !p.isEmpty()) {
            parts << p;
        }
    }
    return parts.join(QLatin1Char('/'));
}

} // namespace

XlsxPackage::XlsxPackage(const QString& path)
{
    // Both readers open the file without blocking and keep only a regular
    // file (see openRegularFile), each with a position of its own.
    const int fd = openRegularFile(path, &m_openFailure);
    if (fd < 0 || !m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    zlib_filefunc64_def files;
    fill_fopen64_filefunc(&files);
    files.opaque = &m_openFailure;
    files.zopen64_file = [](voidpf opaque, const void* name, int) -> voidpf {
        const int zipFd = openRegularFile(QFile::decodeName(static_cast<const char*>(name)),
                                          static_cast<QString*>(opaque));
        FILE* f = zipFd < 0 ? nullptr : ::fdopen(zipFd, "rb");
        if (!f && zipFd >= 0)
            ::close(zipFd);
        return f;
    };
    // The same file again, whatever takes its name meanwhile.
    m_zip = unzOpen2_64(QFile::encodeName(descriptorPath(fd)).constData(), &files);
}

XlsxPackage::~XlsxPackage()
{
    if (m_zip)
        unzClose(m_zip);
}

bool XlsxPackage::hasPart(const QString& name) const
{
    return m_zip && unzLocateFile(m_zip, normalised(name).toUtf8().constData(), 1) == UNZ_OK;
}

QString XlsxPackage::parsePart(const QString& name, const Parse& parse)
{
    if (!m_zip)
        return QStringLiteral("It is no zip package.");
    PartDevice device(m_zip, m_file, normalised(name));
    if (!device.failure.isEmpty())
        return device.failure;
    QXmlStreamReader x(&device);
    EntityGuard entities(x);
    x.setEntityResolver(&entities);
    // The prolog; the parse starts on the root element.
    while (!x.atEnd() && x.readNext() != QXmlStreamReader::StartElement) {
        if (x.tokenType() == QXmlStreamReader::DTD)
            entities.checkDeclarations();
    }
    // A part that fails to inflate or parse ends the parse early: that is
    // the reason, not what the parse then missed.
    const QString refused = parse(x);
    if (!device.failure.isEmpty())
        return device.failure;
    if (x.hasError()) {
        return QStringLiteral("The part %1 does not parse at line %2, column %3: %4")
            .arg(normalised(name))
            .arg(x.lineNumber())
            .arg(x.columnNumber())
            .arg(limited(x.errorString()));
    }
    if (entities.line > 0)
        return QStringLiteral("The part %1 has at line %2 an entity that cannot be resolved: %3.")
            .arg(normalised(name))
            .arg(entities.line)
            .arg(limited(entities.name));
    if (!refused.isEmpty())
        return refused;
    return device.finish();
}

std::optional<QByteArray> XlsxPackage::part(const QString& name, QString* reason)
{
    if (!m_zip) {
        *reason = QStringLiteral("It is no zip package.");
        return std::nullopt;
    }
    PartDevice device(m_zip, m_file, normalised(name));
    // Grown as the bytes come, never reserved by the declared size.
    QByteArray data;
    char buf[65536];
    for (qint64 got = 0; device.failure.isEmpty() && (got = device.read(buf, sizeof buf)) > 0;)
        data.append(buf, got);
    *reason = device.finish();
    if (!reason->isEmpty())
        return std::nullopt;
    return data;
}

std::optional<XlsxPackage::FirstSheet> XlsxPackage::firstSheet(QString* reason)
{
    FirstSheet out;
    QString id;
    *reason = parsePart(QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader& x) {
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (x.name() == QLatin1String("sheet") && id.isEmpty()) {
                for (const auto& a : x.attributes()) {
                    if (a.name() == QLatin1String("id"))
                        id = a.value().toString();
                }
            } else if (x.name() == QLatin1String("workbookPr")) {
                const auto v = x.attributes().value(QLatin1String("date1904"));
                out.date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            }
        }
        return id.isEmpty() ? QStringLiteral("The workbook names no sheet.") : QString();
    });
    if (!reason->isEmpty())
        return std::nullopt;
    QString target;
    *reason = parsePart(QStringLiteral("xl/_rels/workbook.xml.rels"), [&](QXmlStreamReader& x) {
        while (!x.atEnd()) {
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("Relationship")
                && target.isEmpty() && x.attributes().value(QLatin1String("Id")) == id)
                target = x.attributes().value(QLatin1String("Target")).toString();
        }
        return target.isEmpty() ? QStringLiteral("The workbook's first sheet has no part.") : QString();
    });
    if (!reason->isEmpty())
        return std::nullopt;
    const auto resolved = resolveTarget(QStringLiteral("xl"), target);
    if (!resolved) {
        *reason = QStringLiteral("The first sheet's part %1 lies outside the package.").arg(limited(target));
        return std::nullopt;
    }
    out.part = *resolved;
    return out;
}

} // namespace workbook
