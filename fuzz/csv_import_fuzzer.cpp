// Feeds arbitrary bytes, as a file, to the item import: encoding and delimiter detection, the
// CSV reader and the column matching. Every item that comes out must have its twelve fields and
// no separator the stored list cannot keep.

#include "state/item_import.h"
#include "state/item_list_codec.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path =
        QStringLiteral("/tmp/csv_import_fuzzer_%1.csv").arg(static_cast<qint64>(::getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const stowfolio::ItemImport result =
        stowfolio::importCsvFile(path, 50, stowfolio::InventoryConventions{});
    if (!result.problem.isEmpty() && !result.items.isEmpty())
        std::abort();
    if (result.items.size() > 50)
        std::abort();
    for (const QStringList& item : result.items) {
        if (item.size() != 12)
            std::abort();
        for (const QString& field : item)
            if (field.contains(QChar(stowfolio::kRowSeparator)) ||
                field.contains(QChar(stowfolio::kFieldSeparator)))
                std::abort();
    }
    return 0;
}
