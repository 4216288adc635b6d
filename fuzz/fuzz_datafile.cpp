// Data-file reader: any bytes either fill the tables completely or leave them exactly as they
// were, and tables that were read are written and read back unchanged.

#include "FuzzInput.h"
#include "core/DataFile.h"

using namespace pikoro;
using namespace pikoro::fuzz;

namespace {

// Tables that no data file of the input holds, so any change made by a failed read shows.
AssignmentTables markedTables() {
    AssignmentTables tables;
    int n = 0;
    const auto mark = [&n](auto &table) {
        for (QString &entry : table)
            entry = QStringLiteral("C:\\kept\\%1.bmp").arg(n++);
    };
    mark(tables.keyPictures);
    mark(tables.keySounds);
    mark(tables.digitPictures);
    mark(tables.digitSounds);
    mark(tables.midiPieces);
    return tables;
}

bool readBytes(const QByteArray &bytes, DataFile::HeaderCheck check, AssignmentTables &tables) {
    InputDevice device(bytes);
    return bool(DataFile::read(&device, check, tables));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    const AssignmentTables before = markedTables();
    for (const auto check : {DataFile::HeaderCheck::Version4, DataFile::HeaderCheck::None}) {
        AssignmentTables tables = before;
        if (!readBytes(bytes, check, tables)) {
            if (tables != before)
                fail("a failed read changed the tables");
            continue;
        }
        const auto lines = DataFile::lines(tables, QDate(2024, 4, 1));
        if (!lines)
            continue; // an entry the writer refuses (it says so before writing anything)
        if (lines->size() != DataFile::LineCount)
            fail("the writer gave a wrong number of lines");
        AssignmentTables again = before;
        if (!readBytes((lines->join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8(),
                       DataFile::HeaderCheck::Version4, again))
            fail("written tables do not read back");
        if (again != tables)
            fail("written tables read back different");
    }
    return 0;
}
