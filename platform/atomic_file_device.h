#pragma once

// A QIODevice over spreadsheet::files::AtomicFile, for writers that stream into a device (as
// QPdfWriter does) instead of handing over one byte buffer: what is written goes to a new
// temporary file beside the target, a little at a time, and commit() puts it in the target's
// place only when every write has succeeded. Memory stays flat however long the file grows, and
// the file keeps every guarantee of AtomicFile: the sync to disk, the checks on links and on
// read-only targets, and an old file left whole when anything fails.
//
// A Qt writer does not look at what each write returns, so a failed write (a full disk) is kept:
// every later write fails at once, and commit() throws it.

#include "spreadsheet/files/atomic_file.h"

#include <QIODevice>
#include <QString>

#include <vector>

namespace stowfolio {

class AtomicFileDevice : public QIODevice
{
public:
    // Creates the temporary file beside `path` and opens the device for writing. A read-only
    // `path` is replaced only with `readOnly` Replace. Throws std::runtime_error saying why the
    // file cannot be written, as writeBytesToFile() does.
    explicit AtomicFileDevice(const QString& path, spreadsheet::files::ReadOnlyTarget readOnly =
                                                       spreadsheet::files::ReadOnlyTarget::Refuse);
    // Without commit() the temporary file is removed and the target left alone.
    ~AtomicFileDevice() override;

    // Writes what is still buffered, syncs and puts the file in the target's place. Throws
    // std::runtime_error with the first failure, of a write before or of this step, leaving the
    // target untouched.
    void commit();
    bool failed() const { return !m_failure.isEmpty(); }

protected:
    qint64 readData(char* data, qint64 size) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void writeBuffer();
    void fail(const spreadsheet::files::FileError& error);

    QString m_path;
    spreadsheet::files::AtomicFile m_file;
    // Writers write a few bytes at a time; they reach the file in blocks.
    std::vector<char> m_buffer;
    QString m_failure; // the first failure, as the user reads it; empty while all is well
};

} // namespace stowfolio
