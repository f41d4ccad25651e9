#include "app/import_with_attachments.h"

#include "app/claim_kit_export.h"
#include "claim_kit/kit_reader.h"
#include "evidence/attachment_error.h"
#include "evidence/picture_loader.h"
#include "state/csv_text.h"
#include "workbook/work_folder.h"
#include "workbook/workbook_import.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <array>
#include <chrono>
#include <future>
#include <stdexcept>

namespace stowfolio {

namespace {

using claimkit::ClaimKitError;
using claimkit::ClaimKitReader;
using claimkit::KitProblem;

// How many files at fault one message names before it says "and N more".
constexpr int kMaxNamedProblems = 5;
// attachments.csv is a line per file: far below this for any kit a reader accepts.
constexpr qint64 kMaxAttachmentListBytes = qint64{64} << 20;
// Longer than any file name a system allows.
constexpr qsizetype kMaxOriginalNameLength = 1024;

// What a kit's attachments.csv says of one entry.
struct ListedAttachment
{
    AttachmentKind kind = AttachmentKind::Document;
    QString caption;
    QString added;
    QString originalName;
};

// attachments.csv of an unpacked kit, by entry name. Columns are found by their captions, so a
// list a person reordered still reads; rows without an entry are left out.
QHash<QString, ListedAttachment> readAttachmentList(const QString& path)
{
    QHash<QString, ListedAttachment> listed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("%1 cannot be read: %2")
                                     .arg(kKitAttachmentListName, file.errorString())
                                     .toStdString());
    if (file.size() > kMaxAttachmentListBytes)
        throw std::runtime_error(QStringLiteral("%1 is larger than a kit's list of files can be")
                                     .arg(kKitAttachmentListName)
                                     .toStdString());
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    CsvReader reader(QLatin1Char(','), kMaxFieldLength, 64);
    std::vector<QStringList> records;
    reader.feed(QString::fromUtf8(bytes), records);
    reader.finish(records);
    if (records.empty())
        return listed;
    std::array<qsizetype, static_cast<std::size_t>(KitAttachmentColumn::Count)> columns{};
    for (std::size_t c = 0; c < columns.size(); ++c)
        columns[c] = -1;
    for (qsizetype i = 0; i < records.front().size(); ++i) {
        const qsizetype c = kKitAttachmentListCaptions.indexOf(records.front()[i].trimmed(), 0);
        if (c >= 0 && columns[static_cast<std::size_t>(c)] < 0)
            columns[static_cast<std::size_t>(c)] = i;
    }
    const auto value = [&](const QStringList& record, KitAttachmentColumn column) {
        const qsizetype c = columns[static_cast<std::size_t>(column)];
        return c < 0 ? QString() : record.value(c);
    };
    for (std::size_t r = 1; r < records.size(); ++r) {
        const QString entry = value(records[r], KitAttachmentColumn::Entry).trimmed();
        if (entry.isEmpty())
            continue;
        ListedAttachment attachment;
        attachment.kind = attachmentKindFromKey(value(records[r], KitAttachmentColumn::Kind));
        attachment.caption = value(records[r], KitAttachmentColumn::Caption);
        const QString added = value(records[r], KitAttachmentColumn::Added).trimmed();
        // Only a time: anything else would be stored as one.
        if (QDateTime::fromString(added, Qt::ISODate).isValid())
            attachment.added = added;
        // A name, not a path: what the store records and the window shows.
        const QString original = value(records[r], KitAttachmentColumn::OriginalName).trimmed();
        if (!original.contains(QLatin1Char('/')) && original.size() <= kMaxOriginalNameLength)
            attachment.originalName = original;
        listed.insert(entry, attachment);
    }
    return listed;
}

// Checks every file the items bring, before anything changes, and gives each its kind (a
// picture is a photo, anything else a document, unless `listed` says) and caption. A kit's
// (`kitFolder` set) must be entries of the kit. Returns the problems, one line each.
QStringList checkFiles(PreparedImport& prepared, const AttachmentFileStore& files,
                       const QString& where, const QString& kitFolder,
                       const QSet<QString>& kitEntries,
                       const QHash<QString, ListedAttachment>& listed)
{
    QStringList problems;
    QSet<QString> moved; // a kit's entries, each moved into the store at its first use
    const ItemImport& imported = prepared.imported;
    prepared.attachments.assign(static_cast<std::size_t>(imported.items.size()), {});
    for (qsizetype i = 0; i < imported.attachments.size() && i < imported.items.size(); ++i) {
        const QString row = QStringLiteral("%1, row %2").arg(where).arg(imported.fileRows.value(i));
        std::vector<AttachmentSource>& sources = prepared.attachments[static_cast<std::size_t>(i)];
        for (const QString& path : imported.attachments[i]) {
            QString entry;
            if (!kitFolder.isEmpty()) {
                entry = QDir(kitFolder).relativeFilePath(path);
                if (!kitEntries.contains(entry)) {
                    problems
                        << QStringLiteral("%1: \"%2\" is not a file of the kit").arg(row, entry);
                    continue;
                }
            }
            const QString shown = kitFolder.isEmpty() ? path : entry;
            if (const QString reason = files.refusal(path); !reason.isEmpty()) {
                problems << QStringLiteral("%1: %2 %3").arg(row, shown, reason);
                continue;
            }
            AttachmentSource source{path, AttachmentKind::Document, QString()};
            if (isReadablePicture(pictureFormatOfFile(path))) {
                source.kind = AttachmentKind::Photo;
                try {
                    storedPictureSize(path, shown); // refuses a damaged header
                } catch (const AttachmentError& error) {
                    problems << QStringLiteral("%1: %2").arg(row, QString::fromUtf8(error.what()));
                    continue;
                }
            }
            // A kit's file is moved into the store, not copied: it is on the store's disk.
            if (!entry.isEmpty() && !moved.contains(entry)) {
                moved.insert(entry);
                source.movable = true;
            }
            if (const auto found = listed.constFind(entry);
                !entry.isEmpty() && found != listed.cend()) {
                source.kind = found->kind;
                source.caption = found->caption;
                source.added = found->added;
                source.originalName = found->originalName;
            }
            sources.push_back(std::move(source));
        }
    }
    return problems;
}

QString problemsText(const QString& name, QStringList problems)
{
    const qsizetype more = problems.size() - kMaxNamedProblems;
    if (more > 0) {
        problems = problems.mid(0, kMaxNamedProblems);
        problems << QStringLiteral("and %1 more").arg(more);
    }
    return QStringLiteral("%1 cannot be imported: the files its items bring cannot all be kept. "
                          "Nothing was added.\n")
               .arg(name) +
           problems.join(QLatin1Char('\n'));
}

void prepareKit(PreparedImport& prepared, const QString& path, int room,
                const InventoryConventions& conventions, const AttachmentFileStore& files,
                const QString& password, const KitPasswordSource& askPassword,
                const ImportProgress& progress)
{
    const QString name = QFileInfo(path).fileName();
    prepared.fromKit = true;
    // Beside the attachment store, on the same disk: the files are moved from there into the
    // store, never copied again, and a kit of gigabytes never fills the (often memory-backed)
    // runtime folder.
    prepared.staging = std::make_unique<WorkFolder>(QFileInfo(files.folder()).absolutePath());
    const QString kitFolder = prepared.staging->path() + QStringLiteral("/kit");
    if (!QDir().mkdir(kitFolder))
        throw std::runtime_error(QStringLiteral("cannot make the folder %1 to unpack the kit in")
                                     .arg(kitFolder)
                                     .toStdString());
    std::vector<claimkit::KitEntryInfo> entries;
    QString tried = password;
    for (;;) {
        try {
            // Unpacking gigabytes takes a while: on a thread of its own, while `progress` is told
            // every tenth of a second (the window stays drawn). It cannot stop half done.
            std::future<std::vector<claimkit::KitEntryInfo>> unpacking = std::async(
                std::launch::async, [&] { return ClaimKitReader::unpack(path, tried, kitFolder); });
            if (progress)
                while (unpacking.wait_for(std::chrono::milliseconds(100)) !=
                       std::future_status::ready)
                    progress(0, 0);
            entries = unpacking.get();
            break;
        } catch (const ClaimKitError& error) {
            const bool asks = error.problem() == KitProblem::PasswordNeeded ||
                              error.problem() == KitProblem::WrongPassword;
            if (!asks || !askPassword) {
                prepared.staging.reset();
                prepared.imported.problem =
                    QStringLiteral("%1 cannot be restored: %2 Nothing was added.")
                        .arg(name, error.message());
                return;
            }
            const std::optional<QString> next = askPassword(error);
            if (!next) {
                prepared.staging.reset();
                prepared.cancelled = true;
                return;
            }
            tried = *next;
        }
    }
    QSet<QString> names;
    for (const claimkit::KitEntryInfo& entry : entries)
        names.insert(entry.name);

    const QString where = QStringLiteral("%1 (%2)").arg(name, kKitItemListName);
    prepared.imported =
        importCsvFile(kitFolder + QLatin1Char('/') + kKitItemListName, room, conventions);
    if (!prepared.imported.problem.isEmpty()) {
        prepared.imported.problem = name + QStringLiteral(": ") + prepared.imported.problem;
        prepared.staging.reset();
        return;
    }
    // The owner and insurance details are the workbook's; its items are those of items.csv.
    if (names.contains(kKitWorkbookName)) {
        const ItemImport workbook = importInventoryWorkbook(
            kitFolder + QLatin1Char('/') + kKitWorkbookName, kMaxInventoryItems, conventions);
        prepared.imported.ownerFields = workbook.ownerFields;
    }
    QHash<QString, ListedAttachment> listed;
    if (names.contains(kKitAttachmentListName))
        listed = readAttachmentList(kitFolder + QLatin1Char('/') + kKitAttachmentListName);
    const QStringList problems = checkFiles(prepared, files, where, kitFolder, names, listed);
    if (!problems.isEmpty()) {
        prepared.imported.problem = problemsText(name, problems);
        prepared.staging.reset();
    }
}

} // namespace

PreparedImport::PreparedImport() = default;
PreparedImport::~PreparedImport() = default;
PreparedImport::PreparedImport(PreparedImport&&) noexcept = default;
PreparedImport& PreparedImport::operator=(PreparedImport&&) noexcept = default;

qsizetype PreparedImport::attachmentCount() const
{
    qsizetype count = 0;
    for (const std::vector<AttachmentSource>& sources : attachments)
        count += static_cast<qsizetype>(sources.size());
    return count;
}

bool isClaimKit(const QString& path)
{
    return claimkit::looksLikeClaimKit(path, {kKitItemListName});
}

PreparedImport prepareImport(const QString& path, int room, const InventoryConventions& conventions,
                             const AttachmentFileStore& files, const QString& password,
                             const KitPasswordSource& askPassword, const ImportProgress& progress)
{
    PreparedImport prepared;
    if (path != QLatin1String("-") && isClaimKit(path)) {
        prepareKit(prepared, path, room, conventions, files, password, askPassword, progress);
        return prepared;
    }
    // Read once: standard input or a pipe gives its bytes only once.
    const ImportSource source = openImportSource(path);
    prepared.imported = importItems(source, room, conventions, progress);
    if (!prepared.imported.problem.isEmpty())
        return prepared;
    const QStringList problems = checkFiles(prepared, files, source.name, {}, {}, {});
    if (!problems.isEmpty())
        prepared.imported.problem = problemsText(source.name, problems);
    return prepared;
}

void keepAttachments(AttachmentKeeper& keeper, const std::vector<ItemId>& ids,
                     const PreparedImport& prepared)
{
    std::vector<ItemSources> batch;
    for (std::size_t i = 0; i < prepared.attachments.size() && i < ids.size(); ++i)
        if (!prepared.attachments[i].empty())
            batch.push_back(ItemSources{ids[i], prepared.attachments[i]});
    if (batch.empty())
        return;
    // No thumbnails: the list and the details window make their own when they show them.
    keeper.add(batch, QSize());
}

QStringList attachmentFolders(const PreparedImport& prepared)
{
    QStringList folders;
    QSet<QString> seen;
    for (const std::vector<AttachmentSource>& item : prepared.attachments)
        for (const AttachmentSource& source : item) {
            const QString folder = QDir::toNativeSeparators(QFileInfo(source.path).absolutePath());
            if (!seen.contains(folder)) {
                seen.insert(folder);
                folders << folder;
            }
        }
    return folders;
}

QString importedContentsText(const PreparedImport& prepared, const QString& path)
{
    const qsizetype items = prepared.imported.items.size();
    const qsizetype files = prepared.attachmentCount();
    const QLocale locale;
    QString text = QStringLiteral("%1 %2").arg(
        locale.toString(items), items == 1 ? QStringLiteral("item") : QStringLiteral("items"));
    if (files > 0)
        text += QStringLiteral(" and %1 %2")
                    .arg(locale.toString(files),
                         files == 1 ? QStringLiteral("attachment") : QStringLiteral("attachments"));
    return text + QStringLiteral(" from ") + QFileInfo(path).fileName();
}

} // namespace stowfolio
