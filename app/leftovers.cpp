#include "app/leftovers.h"

#include "spreadsheet/files/atomic_file.h"
#include "state/inventory_store.h"
#include "workbook/work_folder.h"

#include <QFile>
#include <QFileInfo>

#include <chrono>

namespace stowfolio {

void removeLeftoversOfKilledRuns(const QString& settingsFilePath, const QDateTime& startedAt)
{
    if (!settingsFilePath.isEmpty())
        spreadsheet::files::removeAbandonedTemporaryFiles(
            QFile::encodeName(settingsFilePath).toStdString(),
            std::chrono::system_clock::time_point(
                std::chrono::milliseconds(startedAt.toMSecsSinceEpoch())));
    const QString runtimeParent = workFolderParent();
    removeAbandonedWorkFolders(runtimeParent, startedAt);
    if (temporaryFolder() != runtimeParent)
        removeAbandonedWorkFolders(temporaryFolder(), startedAt);
    // A restored claim kit is unpacked beside the attachment store, on the inventory's disk.
    const QString inventoryFolder = QFileInfo(defaultInventoryDatabasePath()).absolutePath();
    if (QFileInfo(inventoryFolder).isDir())
        removeAbandonedWorkFolders(inventoryFolder, startedAt);
}

} // namespace stowfolio
