#pragma once

// What a killed run of ours leaves behind, removed at the next start: the settings writer's
// temporary files beside the settings file ("Quillane.ini.tmp-" and six characters) and work
// folders with the build's files in them. Only what matches our own names exactly, belongs to
// us, was last changed before this run started and, for a work folder, is in use by no running
// process goes; nothing else is touched.

#include <QDateTime>
#include <QString>

namespace stowfolio {

// `settingsFilePath` is the settings file whose folder is looked in; work folders are looked
// for in every place they are made (workFolderParent(), temporaryFolder() and, for a restored
// claim kit, the inventory database's folder).
void removeLeftoversOfKilledRuns(const QString& settingsFilePath, const QDateTime& startedAt);

} // namespace stowfolio
