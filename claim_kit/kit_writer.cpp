#include "claim_kit/kit_writer.h"

#include "claim_kit/kit_manifest.h"
#include "claim_kit/kit_reader.h"
#include "claim_kit/zip_sources.h"

#include <QFile>

#include <zip.h>

#include <memory>

#include <sys/stat.h>

namespace stowfolio::claimkit {

namespace {

// The mode unzip gives each file it unpacks: readable by all, as any file the user saves.
constexpr zip_uint32_t kFileAttributes = zip_uint32_t(S_IFREG | 0644) << 16;

// Discards an archive that was not closed: libzip then writes nothing more.
struct ArchiveCloser
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

[[noreturn]] void throwLibzip(const QString& path, const zip_error_t* error)
{
    if (zip_error_code_zip(error) == ZIP_ER_MEMORY)
        throw std::bad_alloc();
    zip_error_t copy;
    zip_error_init_with_code(&copy, zip_error_code_zip(error));
    const QString text = QString::fromUtf8(zip_error_strerror(&copy));
    zip_error_fini(&copy);
    throw ClaimKitError(KitProblem::CannotWrite, path + QStringLiteral(": cannot write the kit (") +
                                                     text + QStringLiteral(")"));
}

} // namespace

bool passwordProtectionAvailable()
{
    return zip_encryption_method_supported(ZIP_EM_AES_256, 1) != 0;
}

std::string ClaimKitWriter::checkedName(const QString& name)
{
    std::string utf8 = name.toStdString();
    std::string problem = nameProblem(utf8);
    if (problem.empty() && utf8 == kManifestName)
        problem = "the kit's manifest has that name";
    if (problem.empty() && m_names.contains(utf8))
        problem = "the kit already holds a file of that name";
    if (!problem.empty())
        throw ClaimKitError(KitProblem::BadName,
                            name + QStringLiteral(": a kit cannot hold a file of this name (") +
                                fromUtf8(problem) + QStringLiteral(")"),
                            name);
    m_names.insert(utf8);
    return utf8;
}

void ClaimKitWriter::addFile(const QString& name, const QString& sourcePath, Packing packing)
{
    m_entries.push_back(
        {checkedName(name), QFile::encodeName(sourcePath).toStdString(), {}, packing});
}

void ClaimKitWriter::addBytes(const QString& name, const QByteArray& bytes, Packing packing)
{
    m_entries.push_back({checkedName(name), {}, bytes, packing});
}

void ClaimKitWriter::write(const QString& path, const QString& password,
                           spreadsheet::files::ReadOnlyTarget readOnly) const
{
    const bool protect = !password.isEmpty();
    if (protect && !passwordProtectionAvailable())
        throw ClaimKitError(KitProblem::Unsupported,
                            QStringLiteral("This build of libzip cannot protect a kit with a "
                                           "password (AES-256)."));
    if (m_entries.size() > KitLimits{}.maxEntries)
        throw ClaimKitError(
            KitProblem::TooLarge,
            QStringLiteral("A kit can hold at most %1 files.").arg(KitLimits{}.maxEntries));
    const QByteArray passwordBytes = password.toUtf8();

    try {
        // The kit holds the owner's details and receipts: no one else may read it.
        spreadsheet::files::AtomicFile file(QFile::encodeName(path).toStdString(), readOnly,
                                            spreadsheet::files::FileAccess::OwnerOnly);
        // Declared before the archive, so they outlive it: libzip calls them until it is freed.
        AtomicZipSink sink(file);
        std::vector<std::unique_ptr<EntrySource>> sources;
        std::vector<const EntrySource*> listed;
        for (const Entry& entry : m_entries) {
            if (entry.sourcePath.empty())
                sources.push_back(std::make_unique<EntrySource>(entry.name, entry.bytes));
            else
                sources.push_back(std::make_unique<EntrySource>(entry.name, entry.sourcePath));
            listed.push_back(sources.back().get());
        }
        ManifestSource manifest(listed);

        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* target = sink.create(&error);
        if (target == nullptr)
            throwLibzip(path, &error);
        std::unique_ptr<zip_t, ArchiveCloser> archive(
            zip_open_from_source(target, ZIP_CREATE | ZIP_TRUNCATE, &error));
        if (!archive) {
            zip_source_free(target);
            throwLibzip(path, &error);
        }

        const auto add = [&](FunctionSource& source, const std::string& name, Packing packing) {
            zip_source_t* data = source.create(zip_get_error(archive.get()));
            if (data == nullptr)
                throwLibzip(path, zip_get_error(archive.get()));
            const zip_int64_t index =
                zip_file_add(archive.get(), name.c_str(), data, ZIP_FL_ENC_UTF_8);
            if (index < 0) {
                zip_source_free(data);
                throwLibzip(path, zip_get_error(archive.get()));
            }
            const auto at = zip_uint64_t(index);
            // A protected stored entry comes packed and encrypted from its source, as stored
            // deflate blocks; libzip, told the same method and no password, copies it as it is.
            const bool packedHere = protect && packing == Packing::Store;
            if (zip_set_file_compression(archive.get(), at,
                                         packing == Packing::Store && !packedHere ? ZIP_CM_STORE
                                                                                  : ZIP_CM_DEFLATE,
                                         0) != 0 ||
                zip_file_set_external_attributes(archive.get(), at, 0, ZIP_OPSYS_UNIX,
                                                 kFileAttributes) != 0 ||
                (protect &&
                 zip_file_set_encryption(archive.get(), at, ZIP_EM_AES_256,
                                         packedHere ? nullptr : passwordBytes.constData()) != 0))
                throwLibzip(path, zip_get_error(archive.get()));
        };
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (protect && m_entries[i].packing == Packing::Store)
                sources[i]->protect(passwordBytes);
            add(*sources[i], m_entries[i].name, m_entries[i].packing);
        }
        add(manifest, std::string(kManifestName), Packing::Deflate);

        if (zip_close(archive.get()) != 0) {
            // The first failure in our own words: the disk, or the entry whose file failed.
            if (!sink.failure().empty())
                throw ClaimKitError(KitProblem::CannotWrite, fromUtf8(sink.failure()));
            for (const auto& source : sources)
                if (!source->failure().empty())
                    throw ClaimKitError(KitProblem::CannotRead,
                                        fromUtf8(source->name()) +
                                            QStringLiteral(": cannot put it in the kit: ") +
                                            fromUtf8(source->failure()),
                                        fromUtf8(source->name()));
            if (!manifest.failure().empty())
                throw ClaimKitError(KitProblem::CannotWrite,
                                    path + QStringLiteral(": cannot write the kit (") +
                                        fromUtf8(manifest.failure()) + QStringLiteral(")"));
            throwLibzip(path, zip_get_error(archive.get()));
        }
        archive.release(); // zip_close freed it

        // Read back what is on the disk before it takes the target's place.
        try {
            verifyClaimKit(QFile::decodeName(file.temporaryPath().c_str()), password);
        } catch (const ClaimKitError& failure) {
            throw ClaimKitError(failure.problem(),
                                path +
                                    QStringLiteral(": the kit did not read back as it was "
                                                   "written: ") +
                                    failure.message(),
                                failure.entry());
        }
        file.commit();
    } catch (const spreadsheet::files::FileError& error) {
        throw ClaimKitError(KitProblem::CannotWrite, QString::fromStdString(error.what()));
    }
}

} // namespace stowfolio::claimkit
