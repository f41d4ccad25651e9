#pragma once

// The work folder holds a build's short-lived files (template copy, generated workbook,
// snapshot). Each run makes its own, new and owner-only, so other users of the machine can
// neither plant files there, read the inventory we write, nor block it by taking its name
// first, and runs at the same time never share a file.

#include <QDateTime>
#include <QString>

#include <functional>

namespace stowfolio {

// The temporary folder: "TEMP", else "TMPDIR", else the system's.
QString temporaryFolder();

// Where work folders are made: $XDG_RUNTIME_DIR when it is a private folder of ours (the
// desktop's folder for this user's running programs), else temporaryFolder().
QString workFolderParent();

// A private folder for one run's work files, made new in `parent` by mkdtemp (owner-only,
// "stowfolio-work-" and six random characters), and removed with everything in it when the
// object goes. While it lives, the folder's lock file is locked, which tells a later start that
// the folder is in use (removeAbandonedWorkFolders).
class WorkFolder
{
public:
    // Throws spreadsheet::Error saying why the folder cannot be made.
    explicit WorkFolder(const QString& parent);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_lockFd = -1;
};

// True for a name WorkFolder gives its folders.
bool isWorkFolderName(const QString& name);

// Removes the work folders that killed runs left in `parent`: named as WorkFolder names them,
// real folders (no links) owned by us and open to no one else, last changed before `startedAt`,
// and whose lock no running process holds. Nothing else is touched. Returns how many went.
int removeAbandonedWorkFolders(const QString& parent, const QDateTime& startedAt);

// A digit 1..9 from a real random source; tests pass their own.
using DigitSource = std::function<int()>;
int randomDigit();

// Creates a new, empty file "wendax" + eight digits + ".xls" in `folder` exclusively (never an
// existing file) and returns its full path. Throws after too many collisions.
QString createGeneratedWorkbookFile(const QString& folder, const DigitSource& digit = randomDigit);

} // namespace stowfolio
