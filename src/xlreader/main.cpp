// The workbook reader: reads the first sheet of one .xls or .xlsx file and
// writes its cells to standard output in the framed answer of
// workbook::FrameWriter. The program runs it once per file under limits on
// memory and time, so that a file that crashes or exhausts a reading library
// ends this process only.
#include "workbook/SheetFrames.h"
#include "workbook/SheetReader.h"

#include <QFile>
#include <cstdio>
#include <new>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: trova-xlreader WORKBOOK\n", stderr);
        return 2;
    }
    workbook::FrameWriter out([](const QByteArray& bytes) {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    });
    try {
        const auto cell = [&out](int row, int column, const QString& text) { out.cell(row, column, text); };
        const QString reason = workbook::readSheetCells(QFile::decodeName(argv[1]), cell);
        if (reason.isEmpty())
            out.end();
        else
            out.refuse(reason);
    } catch (const std::bad_alloc&) {
        // What the reading held is given back by now.
        out.refuse(QStringLiteral("The reader ran out of memory."));
    }
    return out.flush() && std::fflush(stdout) == 0 ? 0 : 1;
}
