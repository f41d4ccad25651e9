#include "claim_kit/kit_reader.h"

#include "claim_kit/kit_manifest.h"
#include "claim_kit/winzip_aes.h"
#include "spreadsheet/files/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include <sys/stat.h>

namespace stowfolio::claimkit {

namespace {

// How much of an entry is read at a time.
constexpr size_t kReadBlock = size_t(1) << 20;

// Threads that check a kit: one per core, the work being the hashes and the AES.
unsigned checkingThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Threads that unpack a kit: more than cores, because each waits for its file to reach the disk
// before it takes the next (AtomicFile syncs every file).
constexpr unsigned kUnpackingThreads = 4;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString number(uint64_t value)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(qulonglong(value));
}

QString zipErrorText(int zipError)
{
    zip_error_t error;
    zip_error_init_with_code(&error, zipError);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

// libzip's error on reading `entry` (or the kit as a whole when empty), as the user reads it.
[[noreturn]] void throwZipError(int zipError, const QString& entry)
{
    switch (zipError) {
    case ZIP_ER_MEMORY:
        throw std::bad_alloc();
    case ZIP_ER_WRONGPASSWD:
        throw ClaimKitError(KitProblem::WrongPassword, QStringLiteral("The password is not right."),
                            entry);
    case ZIP_ER_NOPASSWD:
        throw ClaimKitError(KitProblem::PasswordNeeded,
                            QStringLiteral("The kit is protected by a password."), entry);
    case ZIP_ER_CRC:
        // Also what a protected entry whose authentication code does not match reports.
        throw ClaimKitError(
            KitProblem::ManifestMismatch,
            entry + QStringLiteral(": its contents do not match the kit's manifest"), entry);
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
        throw ClaimKitError(
            KitProblem::Unsupported,
            entry + QStringLiteral(": it is packed in a way this program cannot read (") +
                zipErrorText(zipError) + QStringLiteral(")"),
            entry);
    default:
        if (entry.isEmpty())
            throw ClaimKitError(KitProblem::Damaged,
                                QStringLiteral("The kit is damaged or incomplete (") +
                                    zipErrorText(zipError) + QStringLiteral(")."));
        throw ClaimKitError(KitProblem::Damaged,
                            entry + QStringLiteral(": the kit is damaged or incomplete (") +
                                zipErrorText(zipError) + QStringLiteral(")"),
                            entry);
    }
}

[[noreturn]] void throwWriteError(const spreadsheet::files::FileError& error, const QString& entry)
{
    throw ClaimKitError(KitProblem::CannotWrite, QString::fromStdString(error.what()), entry);
}

// The raw deflate stream of a protected entry, after it is decrypted.
class RawInflater
{
public:
    RawInflater()
    {
        if (inflateInit2(&m_stream, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
    }
    ~RawInflater() { inflateEnd(&m_stream); }
    RawInflater(const RawInflater&) = delete;
    RawInflater& operator=(const RawInflater&) = delete;

    // Inflates the next bytes into `plain`; false when they are no deflate stream, or come after
    // its end.
    bool add(const char* data, size_t size, const std::function<void(const char*, size_t)>& plain)
    {
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        m_stream.avail_in = uInt(size);
        while (m_stream.avail_in > 0) {
            if (m_finished)
                return false;
            m_stream.next_out = reinterpret_cast<Bytef*>(m_buffer.data());
            m_stream.avail_out = uInt(m_buffer.size());
            const int result = ::inflate(&m_stream, Z_NO_FLUSH);
            if (result == Z_STREAM_END)
                m_finished = true;
            else if (result != Z_OK)
                return false;
            const size_t produced = m_buffer.size() - m_stream.avail_out;
            if (produced > 0)
                plain(m_buffer.data(), produced);
        }
        return true;
    }
    bool finished() const { return m_finished; }

private:
    z_stream m_stream{};
    std::vector<char> m_buffer = std::vector<char>(size_t(1) << 16);
    bool m_finished = false;
};

// The files and folders unpack() made, removed again unless it finished.
class UnpackedFiles
{
public:
    ~UnpackedFiles()
    {
        if (m_kept)
            return;
        for (auto file = m_files.rbegin(); file != m_files.rend(); ++file)
            QFile::remove(*file);
        for (auto folder = m_folders.rbegin(); folder != m_folders.rend(); ++folder)
            QDir().rmdir(*folder);
    }
    void addFile(const QString& path)
    {
        const std::lock_guard lock(m_mutex);
        m_files.push_back(path);
    }
    void addFolder(const QString& path) { m_folders.push_back(path); }
    void keep() { m_kept = true; }

private:
    std::vector<QString> m_files;
    std::vector<QString> m_folders;
    std::mutex m_mutex; // files are added by the unpacking threads
    bool m_kept = false;
};

} // namespace

ClaimKitReader::ClaimKitReader(const QString& path, const KitLimits& limits)
    : m_path(path), m_limits(limits)
{
}

ClaimKitReader::~ClaimKitReader()
{
    if (m_zip != nullptr)
        zip_discard(m_zip);
}

std::unique_ptr<ClaimKitReader> ClaimKitReader::open(const QString& path, const QString& password,
                                                     const KitLimits& limits)
{
    std::unique_ptr<ClaimKitReader> reader(new ClaimKitReader(path, limits));
    reader->openArchive(password);
    reader->checkEntries();
    reader->readManifest();
    reader->checkContents();
    return reader;
}

bool looksLikeClaimKit(const QString& path, const QStringList& names)
{
    // Only a plain file: a pipe or a device is never opened here.
    if (!QFileInfo(path).isFile())
        return false;
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return false;
    bool holds = zip_name_locate(zip, std::string(kManifestName).c_str(), ZIP_FL_ENC_RAW) >= 0;
    for (const QString& name : names)
        holds = holds && zip_name_locate(zip, name.toUtf8().constData(), ZIP_FL_ENC_RAW) >= 0;
    zip_discard(zip);
    return holds;
}

void verifyClaimKit(const QString& path, const QString& password, const KitLimits& limits)
{
    ClaimKitReader::open(path, password, limits);
}

void ClaimKitReader::openArchive(const QString& password)
{
    QFile file(m_path);
    if (!QFileInfo(m_path).isFile() || !file.open(QIODevice::ReadOnly))
        throw ClaimKitError(
            KitProblem::CannotRead,
            m_path + QStringLiteral(": cannot open the kit (") +
                (QFileInfo::exists(m_path) ? file.errorString() : QStringLiteral("no such file")) +
                QStringLiteral(")"));
    // What a zip archive starts with: a local header, or the end record of an empty archive.
    const QByteArray start = file.read(4);
    const bool startsLikeZip = start == QByteArray("PK\x03\x04", 4) || start == "PK\x05\x06";
    file.close();

    int error = 0;
    m_zip = zip_open(QFile::encodeName(m_path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (m_zip == nullptr) {
        if (error == ZIP_ER_MEMORY)
            throw std::bad_alloc();
        if (error == ZIP_ER_NOZIP && !startsLikeZip)
            throw ClaimKitError(KitProblem::NotAKit,
                                m_path + QStringLiteral(" is not a claim kit: it is not a zip "
                                                        "archive."));
        // A zip archive cut short has lost its central directory, which is at its end.
        throw ClaimKitError(KitProblem::Damaged, QStringLiteral("The kit is damaged or "
                                                                "incomplete."));
    }
    if (!password.isEmpty()) {
        m_hasPassword = true;
        m_password = password.toUtf8();
        zip_set_default_password(m_zip, m_password.constData());
    }
}

void ClaimKitReader::checkEntries()
{
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    if (count <= 0)
        throw ClaimKitError(KitProblem::NotAKit,
                            m_path + QStringLiteral(" is not a claim kit: it is empty."));
    if (uint64_t(count) > m_limits.maxEntries + 1)
        throw ClaimKitError(KitProblem::TooLarge,
                            QStringLiteral("The kit holds %1 files, more than the %2 a kit may "
                                           "hold.")
                                .arg(number(uint64_t(count)), number(m_limits.maxEntries)));
    uint64_t total = 0;
    QString unprotected;
    for (zip_uint64_t index = 0; index < zip_uint64_t(count); ++index) {
        const char* raw = zip_get_name(m_zip, index, ZIP_FL_ENC_RAW);
        if (raw == nullptr)
            throwZipError(zip_error_code_zip(zip_get_error(m_zip)), {});
        std::string name(raw);
        const QString shown = fromUtf8(name);
        bool folder = name.ends_with('/');
        if (const std::string problem =
                nameProblem(folder ? name.substr(0, name.size() - 1) : name);
            !problem.empty())
            throw ClaimKitError(KitProblem::UnsafeEntry,
                                QStringLiteral("The kit holds a file it may not hold: %1 (%2).")
                                    .arg(shown, fromUtf8(problem)),
                                shown);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(m_zip, index, 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX) {
            const mode_t type = mode_t(attributes >> 16) & S_IFMT;
            if (type == S_IFLNK)
                throw ClaimKitError(KitProblem::UnsafeEntry,
                                    shown + QStringLiteral(" is a symbolic link; a kit holds only "
                                                           "files."),
                                    shown);
            if (type == S_IFDIR)
                folder = true;
            else if (type != 0 && type != S_IFREG)
                throw ClaimKitError(KitProblem::UnsafeEntry,
                                    shown + QStringLiteral(" is not a file; a kit holds only "
                                                           "files."),
                                    shown);
        }
        zip_stat_t info;
        if (zip_stat_index(m_zip, index, 0, &info) != 0)
            throwZipError(zip_error_code_zip(zip_get_error(m_zip)), shown);
        // Folders, as other zip programs add them, hold nothing and are made as files need them.
        if (folder) {
            if (info.size != 0)
                throw ClaimKitError(KitProblem::Damaged,
                                    shown + QStringLiteral(": a folder that holds data"), shown);
            continue;
        }
        if (!m_indexByName.emplace(name, index).second)
            throw ClaimKitError(KitProblem::Damaged,
                                shown + QStringLiteral(" is in the kit twice."), shown);
        m_fileOrder.push_back(name);
        if (info.size > m_limits.maxEntrySize || info.size > m_limits.maxTotalSize - total)
            throw ClaimKitError(KitProblem::TooLarge,
                                QStringLiteral("The kit is too large to unpack: %1 alone would be "
                                               "%2 bytes.")
                                    .arg(shown, number(info.size)),
                                shown);
        total += info.size;
        if (info.size > m_limits.ratioCheckedAbove &&
            info.size / std::max<uint64_t>(info.comp_size, 1) >= m_limits.maxRatio)
            throw ClaimKitError(
                KitProblem::TooLarge,
                QStringLiteral("The kit is not safe to unpack: %1 would grow %2 "
                               "times larger than it is packed.")
                    .arg(shown, number(info.size / std::max<uint64_t>(info.comp_size, 1))),
                shown);
        if (!zip_compression_method_supported(zip_int32_t(info.comp_method), 0))
            throwZipError(ZIP_ER_COMPNOTSUPP, shown);
        if (info.encryption_method == ZIP_EM_NONE) {
            if (unprotected.isEmpty())
                unprotected = shown;
            continue;
        }
        if (!zip_encryption_method_supported(info.encryption_method, 0))
            throwZipError(ZIP_ER_ENCRNOTSUPP, shown);
        m_protected = true;
    }
    // A protected kit is protected whole: a file without the password's protection could have
    // been put in by anyone.
    if (m_protected && !unprotected.isEmpty())
        throw ClaimKitError(KitProblem::Damaged,
                            QStringLiteral("The kit is damaged: it is protected by a password, "
                                           "but %1 is not.")
                                .arg(unprotected),
                            unprotected);
    if (m_protected && !m_hasPassword)
        throw ClaimKitError(KitProblem::PasswordNeeded,
                            QStringLiteral("The kit is protected by a password."));
}

void ClaimKitReader::readManifest()
{
    const std::string manifestName(kManifestName);
    const auto manifest = m_indexByName.find(manifestName);
    if (manifest == m_indexByName.end())
        throw ClaimKitError(KitProblem::NotAKit,
                            m_path + QStringLiteral(" is not a claim kit: it has no manifest (") +
                                fromUtf8(manifestName) + QStringLiteral(")."));
    zip_stat_t info;
    if (zip_stat_index(m_zip, manifest->second, 0, &info) != 0)
        throwZipError(zip_error_code_zip(zip_get_error(m_zip)), fromUtf8(manifestName));
    if (info.size > m_limits.maxManifestSize)
        throw ClaimKitError(KitProblem::TooLarge,
                            QStringLiteral("The kit's manifest is larger than %1 bytes.")
                                .arg(number(m_limits.maxManifestSize)));
    std::string text;
    text.reserve(size_t(info.size));
    stream(manifest->second, fromUtf8(manifestName), info.size, nullptr,
           [&text](const char* data, size_t size) { text.append(data, size); });

    std::unordered_map<std::string, bool> listed;
    for (ManifestEntry& line : parseManifest(text)) {
        const QString shown = fromUtf8(line.name);
        const auto found = m_indexByName.find(line.name);
        if (found == m_indexByName.end())
            throw ClaimKitError(KitProblem::ManifestMismatch,
                                shown + QStringLiteral(": the kit's manifest lists it, but the "
                                                       "kit does not hold it"),
                                shown);
        zip_stat_t entryInfo;
        if (zip_stat_index(m_zip, found->second, 0, &entryInfo) != 0)
            throwZipError(zip_error_code_zip(zip_get_error(m_zip)), shown);
        m_entries.push_back({shown, entryInfo.size, line.digest});
        m_indexes.push_back(found->second);
        listed.emplace(std::move(line.name), true);
    }
    for (const std::string& name : m_fileOrder)
        if (name != manifestName && !listed.contains(name))
            throw ClaimKitError(KitProblem::ManifestMismatch,
                                fromUtf8(name) + QStringLiteral(": the kit holds it, but its "
                                                                "manifest does not list it"),
                                fromUtf8(name));
}

void ClaimKitReader::checkContents() const
{
    forEveryEntry(checkingThreads(), [](const ClaimKitReader& handle, size_t i) {
        const KitEntryInfo& entry = handle.m_entries[i];
        handle.stream(handle.m_indexes[i], entry.name, entry.size, &entry.digest, {});
    });
}

std::unique_ptr<ClaimKitReader> ClaimKitReader::anotherHandle() const
{
    std::unique_ptr<ClaimKitReader> handle(new ClaimKitReader(m_path, m_limits));
    handle->openArchive(QString::fromUtf8(m_password));
    // The entries, sizes and digests are this reader's, checked already; the file is read again
    // through the new handle, and whatever it holds now must hash to them.
    handle->m_entries = m_entries;
    for (const KitEntryInfo& entry : m_entries) {
        const zip_int64_t index =
            zip_name_locate(handle->m_zip, entry.name.toUtf8().constData(), ZIP_FL_ENC_RAW);
        if (index < 0)
            throw ClaimKitError(KitProblem::Damaged,
                                entry.name + QStringLiteral(": the kit changed while it was read"),
                                entry.name);
        handle->m_indexes.push_back(uint64_t(index));
    }
    return handle;
}

void ClaimKitReader::forEveryEntry(
    unsigned threads,
    const std::function<void(const ClaimKitReader& handle, size_t entry)>& work) const
{
    threads = std::max(1u, std::min<unsigned>(threads, unsigned(m_entries.size())));
    if (threads <= 1) {
        for (size_t i = 0; i < m_entries.size(); ++i)
            work(*this, i);
        return;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failureMutex;
    size_t failedEntry = SIZE_MAX;
    std::exception_ptr failure;
    const auto fail = [&](size_t entry, std::exception_ptr error) {
        const std::lock_guard lock(failureMutex);
        if (entry < failedEntry) {
            failedEntry = entry;
            failure = std::move(error);
        }
        stop = true;
    };
    std::vector<std::unique_ptr<ClaimKitReader>> handles;
    handles.push_back(nullptr); // the first thread reads through this reader
    for (unsigned t = 1; t < threads; ++t)
        handles.push_back(anotherHandle());
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            const ClaimKitReader& handle = t == 0 ? *this : *handles[t];
            while (!stop) {
                const size_t entry = next++;
                if (entry >= m_entries.size())
                    break;
                try {
                    work(handle, entry);
                } catch (...) {
                    fail(entry, std::current_exception());
                }
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void ClaimKitReader::stream(uint64_t index, const QString& name, uint64_t size,
                            const Digest* digest,
                            const std::function<void(const char*, size_t)>& consume) const
{
    zip_stat_t info;
    if (zip_stat_index(m_zip, index, 0, &info) != 0)
        throwZipError(zip_error_code_zip(zip_get_error(m_zip)), name);
    // A protected entry is decrypted here, many blocks at a time, and inflated when it is
    // deflated; libzip hands over its packed bytes.
    const int keyBytes = m_hasPassword ? winZipAesKeyBytes(info.encryption_method) : 0;
    const bool deflated = info.comp_method == ZIP_CM_DEFLATE;
    std::optional<WinZipAesDecoder> decoder;
    std::optional<RawInflater> inflater;
    if (keyBytes != 0 && (deflated || info.comp_method == ZIP_CM_STORE)) {
        decoder.emplace(m_password, keyBytes, info.comp_size);
        if (deflated)
            inflater.emplace();
    }
    zip_file_t* file = zip_fopen_index(m_zip, index, decoder ? ZIP_FL_ENCRYPTED : 0);
    if (file == nullptr)
        throwZipError(zip_error_code_zip(zip_get_error(m_zip)), name);
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(file, &zip_fclose);
    Sha256 hash;
    uint64_t total = 0;
    const auto take = [&](const char* data, size_t count) {
        total += uint64_t(count);
        // An entry that holds more than its header says is not read to its end.
        if (total > size)
            throw ClaimKitError(KitProblem::Damaged,
                                name + QStringLiteral(": the kit is damaged (the file is longer "
                                                      "than the kit says)"),
                                name);
        hash.add(data, count);
        if (consume)
            consume(data, count);
    };
    const auto throwDamaged = [&name] {
        throw ClaimKitError(KitProblem::Damaged,
                            name + QStringLiteral(": the kit is damaged (its packed data cannot "
                                                  "be unpacked)"),
                            name);
    };
    const auto inflate = [&](const char* data, size_t count) {
        if (!inflater->add(data, count, take))
            throwDamaged();
    };
    std::vector<char> buffer(size_t(
        std::min<uint64_t>(std::max<uint64_t>(decoder ? info.comp_size : size, 1), kReadBlock)));
    WinZipAesDecoder::Outcome decrypted = WinZipAesDecoder::Outcome::Going;
    for (;;) {
        const zip_int64_t count = zip_fread(file, buffer.data(), buffer.size());
        if (count < 0)
            throwZipError(zip_error_code_zip(zip_file_get_error(file)), name);
        if (count == 0)
            break;
        if (!decoder)
            take(buffer.data(), size_t(count));
        else if ((decrypted = decoder->add(buffer.data(), size_t(count),
                                           inflater ? WinZipAesDecoder::Plain(inflate)
                                                    : WinZipAesDecoder::Plain(take))) !=
                 WinZipAesDecoder::Outcome::Going)
            break;
    }
    if (decoder && decrypted != WinZipAesDecoder::Outcome::Done)
        throwZipError(decrypted == WinZipAesDecoder::Outcome::WrongPassword ? ZIP_ER_WRONGPASSWD
                      : decrypted == WinZipAesDecoder::Outcome::Tampered    ? ZIP_ER_CRC
                                                                            : ZIP_ER_INCONS,
                      name);
    if (inflater && !inflater->finished())
        throwDamaged();
    if (total != size)
        throw ClaimKitError(KitProblem::Damaged,
                            name + QStringLiteral(": the kit is damaged or incomplete (the file "
                                                  "is shorter than the kit says)"),
                            name);
    if (digest != nullptr && hash.finish() != *digest)
        throw ClaimKitError(KitProblem::ManifestMismatch,
                            name + QStringLiteral(": its contents do not match the kit's manifest"),
                            name);
}

const KitEntryInfo* ClaimKitReader::find(const QString& name) const
{
    for (const KitEntryInfo& entry : m_entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

uint64_t ClaimKitReader::indexOf(const KitEntryInfo& entry) const
{
    return m_indexes[size_t(&entry - m_entries.data())];
}

const KitEntryInfo& ClaimKitReader::entryNamed(const QString& name) const
{
    const KitEntryInfo* entry = find(name);
    if (entry == nullptr)
        throw ClaimKitError(KitProblem::ManifestMismatch,
                            name + QStringLiteral(": the kit does not hold it"), name);
    return *entry;
}

void ClaimKitReader::extractTo(const QString& name, const QString& destination) const
{
    const KitEntryInfo& entry = entryNamed(name);
    try {
        spreadsheet::files::AtomicFile file(QFile::encodeName(destination).toStdString(),
                                            spreadsheet::files::ReadOnlyTarget::Refuse,
                                            spreadsheet::files::FileAccess::OwnerOnly);
        stream(indexOf(entry), entry.name, entry.size, &entry.digest,
               [&file](const char* data, size_t size) { file.write(data, size); });
        file.commit();
    } catch (const spreadsheet::files::FileError& error) {
        throwWriteError(error, name);
    }
}

QByteArray ClaimKitReader::readBytes(const QString& name, uint64_t maxSize) const
{
    const KitEntryInfo& entry = entryNamed(name);
    if (entry.size > maxSize)
        throw ClaimKitError(
            KitProblem::TooLarge,
            name + QStringLiteral(": it is larger than %1 bytes").arg(number(maxSize)), name);
    QByteArray bytes;
    bytes.reserve(qsizetype(entry.size));
    stream(indexOf(entry), entry.name, entry.size, &entry.digest,
           [&bytes](const char* data, size_t size) { bytes.append(data, qsizetype(size)); });
    return bytes;
}

std::vector<KitEntryInfo> ClaimKitReader::unpack(const QString& path, const QString& password,
                                                 const QString& folder, const KitLimits& limits)
{
    const QDir root(folder);
    if (!root.exists())
        throw ClaimKitError(KitProblem::CannotWrite,
                            folder + QStringLiteral(": the folder does not exist"));
    if (!root.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        throw ClaimKitError(KitProblem::CannotWrite,
                            folder + QStringLiteral(": the folder is not empty"));
    ClaimKitReader reader(path, limits);
    reader.openArchive(password);
    reader.checkEntries();
    reader.readManifest();

    UnpackedFiles unpacked;
    // The folders first, here, in a folder that was empty, so none of them can be someone
    // else's link; the names were checked, so they stay inside it.
    std::vector<QString> targets;
    for (const KitEntryInfo& entry : reader.m_entries) {
        const QStringList parts = entry.name.split(u'/');
        QString target = root.absolutePath();
        for (qsizetype part = 0; part + 1 < parts.size(); ++part) {
            target += u'/' + parts[part];
            const QFileInfo existing(target);
            if (existing.isSymLink() || (existing.exists() && !existing.isDir()))
                throw ClaimKitError(KitProblem::UnsafeEntry,
                                    entry.name + QStringLiteral(": a file of the kit is in its "
                                                                "way"),
                                    entry.name);
            if (!existing.exists()) {
                if (!QDir().mkdir(target))
                    throw ClaimKitError(KitProblem::CannotWrite,
                                        target + QStringLiteral(": cannot make the folder"),
                                        entry.name);
                unpacked.addFolder(target);
            }
        }
        targets.push_back(target + u'/' + parts.last());
    }
    reader.forEveryEntry(kUnpackingThreads, [&](const ClaimKitReader& handle, size_t i) {
        const KitEntryInfo& entry = handle.m_entries[i];
        try {
            spreadsheet::files::AtomicFile file(QFile::encodeName(targets[i]).toStdString(),
                                                spreadsheet::files::ReadOnlyTarget::Refuse,
                                                spreadsheet::files::FileAccess::OwnerOnly);
            handle.stream(handle.m_indexes[i], entry.name, entry.size, &entry.digest,
                          [&file](const char* data, size_t size) { file.write(data, size); });
            file.commit();
        } catch (const spreadsheet::files::FileError& error) {
            throwWriteError(error, entry.name);
        }
        unpacked.addFile(targets[i]);
    });
    unpacked.keep();
    return std::move(reader.m_entries);
}

} // namespace stowfolio::claimkit
