#pragma once

#include "workbook/Workbook.h"

#include <QStringList>
#include <QTemporaryDir>

namespace testing {

// Sends the screens' exports to a temporary folder and keeps, instead of
// opening them, the workbooks the program asks the desktop to open. Make it a
// member of a test class: it holds for the life of that class.
class ExportCatcher
{
public:
    ExportCatcher();
    ~ExportCatcher();
    ExportCatcher(const ExportCatcher&) = delete;
    ExportCatcher& operator=(const ExportCatcher&) = delete;

    // Every workbook asked to be opened, oldest first.
    QStringList opened;
    // What the desktop answers when asked to open one.
    bool openerWorks = true;

    QString folder() const { return m_dir.path(); }
    QString last() const { return opened.value(opened.size() - 1); }
    // The first sheet of the last workbook; empty when none was opened or it
    // cannot be read.
    workbook::Rows lastRows() const;
    // One part of the last workbook's package ("xl/styles.xml", ...).
    QString lastPart(const QString& name) const;
    void clear() { opened.clear(); }
    // A workbook in the folder whose first sheet holds these rows (the first
    // is the header), for a screen to import.
    QString writeSheet(const QString& name, const QList<QStringList>& rows) const;

private:
    QTemporaryDir m_dir;
};

} // namespace testing
