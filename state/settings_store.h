#pragma once

// The program remembers the eight owner and insurance fields and the item list between runs, as
// string values under application "Quillane", section "Stowfolio". Windows reach the store only
// through SettingsStore so that tests can hand them a store of their own.

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace stowfolio {

// The keys of the owner and insurance fields are the names of their text boxes.
inline const QStringList kOwnerFieldKeys = {
    QStringLiteral("txtName"),     QStringLiteral("txtLocation"),   QStringLiteral("txtCity"),
    QStringLiteral("txtPhone"),    QStringLiteral("txtInsCompany"), QStringLiteral("txtAgent"),
    QStringLiteral("txtInsPhone"), QStringLiteral("txtPolNo")};
inline const QString kItemsKey = QStringLiteral("Items");

class SettingsStore
{
public:
    // What became of the values written, for stores that finish storing after write() has
    // returned: an empty text once every value held is stored, otherwise why it is not.
    using OutcomeHandler = std::function<void(const QString& failure)>;

    virtual ~SettingsStore() = default;

    // The stored text, or `defaultValue` when the key is absent.
    virtual QString read(const QString& key, const QString& defaultValue) const = 0;
    // Creates or overwrites the value, which reads give from now on, and stores it together
    // with any earlier value that could not be stored. A store may finish storing after write()
    // has returned; it then tells the outcome handler, or flush() tells. Throws
    // std::runtime_error saying why when the store knows at once that it cannot store the
    // value; the value is then still held, and the next write tries again.
    virtual void write(const QString& key, const QString& value) = 0;
    // Waits until every write made so far has been stored or has failed. Throws
    // std::runtime_error saying why when a value written is not stored. What flush() tells, the
    // outcome handler is not told as well.
    virtual void flush() = 0;
    // True while a value written is not yet on disk: it is still being stored, or its write
    // failed.
    virtual bool hasUnsavedChanges() const = 0;
    // Who hears of stores that finish after write() has returned, on the thread that made the
    // store, from its event loop; an empty handler hears nothing.
    virtual void setOutcomeHandler(OutcomeHandler handler) = 0;
};

// The per-user INI file $XDG_CONFIG_HOME/Quillane/Quillane.ini, group "Stowfolio".
//
// QSettings reads the file once, at start; from then on the store holds every key of the file.
// A write changes the values held at once and hands a copy of them to the store's writer thread,
// which rewrites the whole file through an atomic, checked write, so a full disk, a read-only
// folder or a killed process leaves the file already on disk whole. The window's thread thus
// never waits for the disk while the user types: writes that arrive while the file is being
// written wait as one copy of the latest values, and the file ends holding exactly what a write
// of the last values alone would have made. Only the writer thread writes the file, and only
// from its own copy; QSettings is used on the window's thread alone, to read.
//
// A file that was read and is damaged (not text, not parsable as INI, or larger than any file
// the store writes) is moved aside (never overwritten) by the window, which then starts from the
// defaults; a command-line job leaves it where it is (DamagedFile::LeaveInPlace) and refuses to
// run. A file that cannot be read at all (permission denied, a folder or a device in its place,
// an input/output error) is never moved: it may be perfectly good, only not ours to read now.
// In both cases the store reads as empty and refuses every write, so nothing is saved over the
// file, and openingProblem() says what happened, for the caller to tell the user once.
//
// The file and the temporary file it is written through are the owner's alone (0600), whatever
// the umask, since they hold the owner's name, address and policy number; the folder the store
// creates for it is 0700.
class IniSettingsStore : public SettingsStore
{
public:
    // What to do with a settings file that was read and is damaged.
    enum class DamagedFile
    {
        SetAside,    // rename it aside and start empty: the window, which tells the user
        LeaveInPlace // keep it as it is: command-line jobs, which must not move the user's data
    };

    // The largest settings file the store reads or writes: 256 MiB, 4 KiB for each of a sheet's
    // 65,536 rows, so a list of kMaxInventoryItems items (65,526, the most a sheet takes) at an
    // average of 4 KiB each fits, twenty times what an item with every field filled plausibly
    // takes (about 200 bytes). Reading a file takes about six times its size in memory (its
    // bytes and their UTF-16 text, once for the check and once in QSettings), so a file at the
    // bound needs about 1.5 GiB at start-up: a larger one is not a file to read whole.
    // Fields may hold 32,767 characters each, so a list of long items could make the file
    // larger; writing such a file fails and is reported like a full disk, the file on disk
    // staying as it was. A larger file is therefore never one the store wrote, and is moved
    // aside like an unreadable one, its size read from the file system, never by reading it.
    static constexpr qint64 kLargestFile = qint64{256} * 1024 * 1024;

    explicit IniSettingsStore(DamagedFile damaged = DamagedFile::SetAside);
    // A store over an explicit file, for tools and tests; `largestFile` replaces kLargestFile.
    explicit IniSettingsStore(const QString& filePath, qint64 largestFile = kLargestFile,
                              DamagedFile damaged = DamagedFile::SetAside);
    // Waits for the write in progress and the one waiting, then ends the writer thread.
    ~IniSettingsStore() override;
    IniSettingsStore(const IniSettingsStore&) = delete;
    IniSettingsStore& operator=(const IniSettingsStore&) = delete;

    QString read(const QString& key, const QString& defaultValue) const override;
    void write(const QString& key, const QString& value) override;
    void flush() override;
    bool hasUnsavedChanges() const override;
    void setOutcomeHandler(OutcomeHandler handler) override;

    QString filePath() const;
    // Empty unless the file found at start could not be used.
    QString openingProblem() const { return m_openingProblem; }

private:
    void open(const QString& filePath, DamagedFile damaged);
    void setAsideUnusableFile(const QString& filePath, const QString& reason);
    void keepUnusableFile(const QString& filePath, const QString& reason);

    // The writer thread: writes each copy of the values handed to it, one at a time.
    void writeHandedValues();
    void saveFile(const QMap<QString, QVariant>& values) const;
    // On the window's thread, after a write has ended: tells the outcome handler.
    void reportOutcome();

    QString m_filePath;
    qint64 m_largestFile = kLargestFile;
    // Every key of the file as QSettings names and reads it ("Stowfolio/txtName"), with the
    // values written since: what the file holds once the last write has succeeded. Used on
    // the window's thread only; the writer thread gets copies.
    QMap<QString, QVariant> m_values;
    QString m_openingProblem;
    // True while an unusable file is where it was (unreadable, left in place, or it could not
    // be moved aside): reads give the defaults and writes fail rather than overwrite it.
    bool m_unusableFileInPlace = false;
    // How many times the values held have changed; the writer's copies carry the count they
    // were taken at, so that the store knows which of the values held are stored.
    quint64 m_version = 0;
    OutcomeHandler m_outcomeHandler;
    // Lives on the thread that made the store; the writer thread queues reportOutcome() on it.
    std::unique_ptr<QObject> m_reportReceiver;

    // Shared with the writer thread, under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // The latest copy of the values not yet taken by the writer thread, and its version.
    std::optional<QMap<QString, QVariant>> m_handed;
    quint64 m_handedVersion = 0;
    bool m_writing = false;
    // The version of the last copy stored (0: the values as read at start).
    quint64 m_storedVersion = 0;
    // Why the last write failed; empty when it succeeded.
    QString m_lastFailure;
    // A write has ended since the outcome was last told, by the handler or by flush().
    bool m_outcomeUntold = false;
    bool m_stopping = false;
    std::thread m_writer;
};

// Where the per-user store keeps its file.
QString defaultSettingsFilePath();

// Why the per-user folders for the settings and the inventory cannot be found, or an empty
// text when they can: with neither HOME nor XDG_CONFIG_HOME (or XDG_DATA_HOME) set, the
// locations would fall back to the root folder ("/.config"), which is nobody's own.
QString userFoldersProblem();

} // namespace stowfolio
