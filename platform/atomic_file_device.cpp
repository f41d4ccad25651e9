#include "platform/atomic_file_device.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace stowfolio {

namespace {

constexpr std::size_t kBlockBytes = 256 * 1024;

QString failureText(const QString& path, const spreadsheet::files::FileError& error)
{
    return QStringLiteral("Cannot write %1: %2")
        .arg(QDir::toNativeSeparators(path), QString::fromStdString(error.reason()));
}

spreadsheet::files::AtomicFile openFile(const QString& path,
                                        spreadsheet::files::ReadOnlyTarget readOnly)
{
    try {
        return spreadsheet::files::AtomicFile(QFile::encodeName(path).toStdString(), readOnly);
    } catch (const spreadsheet::files::FileError& error) {
        throw std::runtime_error(failureText(path, error).toStdString());
    }
}

} // namespace

AtomicFileDevice::AtomicFileDevice(const QString& path, spreadsheet::files::ReadOnlyTarget readOnly)
    : m_path(path), m_file(openFile(path, readOnly))
{
    m_buffer.reserve(kBlockBytes);
    open(QIODevice::WriteOnly);
}

AtomicFileDevice::~AtomicFileDevice() = default;

qint64 AtomicFileDevice::readData(char*, qint64)
{
    return -1;
}

qint64 AtomicFileDevice::writeData(const char* data, qint64 size)
{
    if (failed())
        return -1;
    m_buffer.insert(m_buffer.end(), data, data + size);
    if (m_buffer.size() >= kBlockBytes)
        writeBuffer();
    return failed() ? -1 : size;
}

void AtomicFileDevice::writeBuffer()
{
    try {
        m_file.write(m_buffer.data(), m_buffer.size());
    } catch (const spreadsheet::files::FileError& error) {
        fail(error);
    }
    m_buffer.clear(); // keeps its capacity for the next block
}

void AtomicFileDevice::fail(const spreadsheet::files::FileError& error)
{
    if (!failed()) {
        m_failure = failureText(m_path, error);
        setErrorString(m_failure);
    }
}

void AtomicFileDevice::commit()
{
    if (!failed() && !m_buffer.empty())
        writeBuffer();
    if (!failed()) {
        try {
            m_file.commit();
        } catch (const spreadsheet::files::FileError& error) {
            fail(error);
        }
    }
    close();
    if (failed())
        throw std::runtime_error(m_failure.toStdString());
}

} // namespace stowfolio
