#include "app/claim_kit_export.h"

#include "app/report_evidence_source.h"
#include "claim_kit/kit_manifest.h"
#include "claim_kit/kit_writer.h"
#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"
#include "report/inventory_report.h"
#include "state/csv_text.h"
#include "state/inventory_store.h"
#include "state/item_import.h"
#include "workbook/work_folder.h"
#include "workbook/workbook_builder.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QSet>

#include <chrono>
#include <future>
#include <stdexcept>

namespace stowfolio {

namespace {

using claimkit::ClaimKitError;
using claimkit::KitProblem;
using claimkit::Packing;

// The steps progress counts: the workbook, the report, the list and its files gathered, the kit
// written and checked.
constexpr int kKitSteps = 4;

// A name part longer than this (in UTF-8 bytes) is shortened: every file system holds 255, and
// the folder before it must fit too.
constexpr qsizetype kMaxFileNameBytes = 200;

// Characters no file name may hold on one of the systems a kit is unpacked on.
bool isRefusedInName(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/') ||
           c == QLatin1Char('\\') || QStringLiteral("<>:\"|?*").contains(c) ||
           // The item list's "Attachments" column separates a kit's entries with it.
           c == QLatin1Char(';');
}

QString cleanFileName(const QString& original)
{
    QString name;
    name.reserve(original.size());
    for (const QChar c : original)
        name += isRefusedInName(c) ? QLatin1Char('_') : c;
    name = name.trimmed();
    // Windows drops trailing dots, and "." and ".." are no names at all.
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty())
        return QStringLiteral("attachment");
    if (name.toUtf8().size() > kMaxFileNameBytes) {
        const QString suffix = QFileInfo(name).suffix().left(16);
        QString stem = suffix.isEmpty() ? name : name.left(name.size() - suffix.size() - 1);
        const qsizetype room = kMaxFileNameBytes - (suffix.isEmpty() ? 0 : suffix.size() + 1);
        while (!stem.isEmpty() && stem.toUtf8().size() > room)
            stem.chop(stem.back().isLowSurrogate() && stem.size() > 1 ? 2 : 1);
        name = suffix.isEmpty() ? stem : stem + QLatin1Char('.') + suffix;
    }
    return name;
}

// "tv.jpg" -> "tv (2).jpg".
QString numbered(const QString& name, int number)
{
    const QFileInfo info(name);
    const QString suffix = info.suffix();
    const QString stem =
        suffix.isEmpty() || info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString tail = suffix.isEmpty() || stem == name ? QString() : QLatin1Char('.') + suffix;
    return QStringLiteral("%1 (%2)%3").arg(stem).arg(number).arg(tail);
}

// Text compresses; photos, PDFs and office files (zip archives themselves) do not.
Packing packingFor(const QString& name)
{
    static const QMimeDatabase mimeTypes;
    const QMimeType type = mimeTypes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    return type.inherits(QStringLiteral("text/plain")) ? Packing::Deflate : Packing::Store;
}

bool goOn(const KitProgress& progress, int done)
{
    return !progress || progress(done, kKitSteps);
}

} // namespace

QStringList kitFileNames(const QStringList& originalNames)
{
    QStringList names;
    QSet<QString> taken; // folded to lower case: the folder may be unpacked on Windows or macOS
    for (const QString& original : originalNames) {
        const QString clean = cleanFileName(original);
        QString name = clean;
        for (int number = 2; taken.contains(name.toLower()); ++number)
            name = numbered(clean, number);
        taken.insert(name.toLower());
        names << name;
    }
    return names;
}

QByteArray itemsWithAttachmentsAsCsv(const std::vector<Item>& items,
                                     const std::vector<QStringList>& attachmentEntries)
{
    QString text = csvRecord(QStringList(kItemColumnCaptions) << QStringLiteral("Attachments"));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QStringList entries =
            i < attachmentEntries.size() ? attachmentEntries[i] : QStringList();
        text += csvRecord(textsOf(items[i]) << entries.join(QLatin1Char(';')));
    }
    // With a byte order mark, as Export Items as CSV writes it, so spreadsheet programs read UTF-8.
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

const QStringList kKitAttachmentListCaptions = {
    QStringLiteral("Item"),    QStringLiteral("File"),    QStringLiteral("Kind"),
    QStringLiteral("Caption"), QStringLiteral("Added"),   QStringLiteral("Taken"),
    QStringLiteral("Camera"),  QStringLiteral("SHA-256"), QStringLiteral("Original name")};

QByteArray attachmentListAsCsv(const std::vector<std::vector<Attachment>>& attachments,
                               const std::vector<QStringList>& attachmentEntries)
{
    QString text = csvRecord(kKitAttachmentListCaptions);
    for (std::size_t i = 0; i < attachments.size() && i < attachmentEntries.size(); ++i) {
        for (std::size_t a = 0; a < attachments[i].size(); ++a) {
            const Attachment& attachment = attachments[i][a];
            text += csvRecord(
                {QString::number(i + 1), attachmentEntries[i].value(static_cast<qsizetype>(a)),
                 QString::fromLatin1(attachmentKindKey(attachment.kind)), attachment.caption,
                 attachment.added, attachment.file.taken, attachment.file.camera,
                 attachment.file.sha256, attachment.file.originalName});
        }
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString readPasswordFile(const QString& path)
{
    // A password is typed, not a file's worth of text: longer lines are a wrong file.
    constexpr qint64 kMaxPasswordBytes = 1024;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read the password file %1: %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    QByteArray line = file.readLine(kMaxPasswordBytes + 2);
    if (line.endsWith('\n'))
        line.chop(1);
    else if (line.size() > kMaxPasswordBytes)
        throw std::runtime_error(
            QStringLiteral("the first line of the password file %1 is longer than %2 bytes")
                .arg(path)
                .arg(kMaxPasswordBytes)
                .toStdString());
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        throw std::runtime_error(
            QStringLiteral("the password file %1 holds no password on its first line")
                .arg(path)
                .toStdString());
    return QString::fromUtf8(line);
}

QString contentsText(const ClaimKitSummary& summary)
{
    const auto count = [](int n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(QLocale().toString(n),
                                           QLatin1String(n == 1 ? one : many));
    };
    return count(summary.items, "item", "items") + QStringLiteral(", ") +
           count(summary.attachments, "attachment", "attachments");
}

std::optional<ClaimKitSummary> writeInventoryClaimKit(const ExcelFactory& factory,
                                                      InventoryStore& records,
                                                      AttachmentFileStore& files,
                                                      const ClaimKitRequest& request,
                                                      const KitProgress& progress)
{
    // Said before minutes of work, not after.
    if (!request.password.isEmpty() && !claimkit::passwordProtectionAvailable())
        throw std::runtime_error("this build of libzip cannot protect a kit with a password "
                                 "(AES-256); write the kit without one");
    const Inventory& inventory = request.inventory;
    if (!goOn(progress, 0))
        return std::nullopt;

    // The workbook and the report go with their folder on every way out of here.
    const WorkFolder folder(workFolderParent());
    const QString workbook = createGeneratedWorkbookFile(folder.path());
    exportInventoryWorkbook(factory, inventory, workFolderParent(), workbook);
    if (!goOn(progress, 1))
        return std::nullopt;
    const QString report = folder.path() + QStringLiteral("/report.pdf");
    const bool painted = report::writeReportPdf(
        workbook, report, QDate::currentDate(), spreadsheet::files::ReadOnlyTarget::Refuse,
        [&progress](int, int) { return goOn(progress, 1); },
        reportEvidenceOf(records, files, inventory.items));
    if (!painted || !goOn(progress, 2))
        return std::nullopt;

    claimkit::ClaimKitWriter kit;
    kit.addFile(kKitWorkbookName, workbook, Packing::Deflate);
    kit.addFile(kKitReportName, report, Packing::Store);

    const AttachmentKeeper keeper(records, files);
    ClaimKitSummary summary;
    summary.items = static_cast<int>(inventory.items.size());
    std::vector<QStringList> entries(inventory.items.size());
    const std::vector<std::vector<Attachment>> kept = records.attachmentsOf(inventory.items);
    for (std::size_t i = 0; i < inventory.items.size(); ++i) {
        const std::vector<Attachment>& attachments = kept[i];
        if (attachments.empty())
            continue;
        QStringList originals;
        for (const Attachment& attachment : attachments)
            originals << attachment.file.originalName;
        const QStringList names = kitFileNames(originals);
        const QString itemFolder = QStringLiteral("%1/%2/").arg(kKitAttachmentsFolder).arg(i + 1);
        for (std::size_t a = 0; a < attachments.size(); ++a) {
            const QString source = keeper.filePath(attachments[a]);
            // A file gone from the store is a damaged inventory: the kit would claim it.
            if (!files.holds(attachments[a].file.sha256, attachments[a].file.size))
                throw std::runtime_error(
                    QStringLiteral("the file \"%1\" of item %2 is missing from the attachment "
                                   "store (%3)")
                        .arg(attachments[a].file.originalName)
                        .arg(i + 1)
                        .arg(source)
                        .toStdString());
            const QString name = itemFolder + names[static_cast<qsizetype>(a)];
            kit.addFile(name, source, packingFor(name));
            entries[i] << name;
            ++summary.attachments;
        }
    }
    kit.addBytes(kKitItemListName, itemsWithAttachmentsAsCsv(inventory.items, entries),
                 Packing::Deflate);
    kit.addBytes(kKitAttachmentListName, attachmentListAsCsv(kept, entries), Packing::Deflate);
    if (!goOn(progress, 3))
        return std::nullopt;

    if (!progress) {
        kit.write(request.path, request.password, request.readOnly);
        return summary;
    }
    // Writing and checking gigabytes of photos takes minutes: the window that asked stays drawn
    // meanwhile, told every tenth of a second. The kit cannot stop half written, so what the
    // progress says now is not asked.
    std::future<void> writing = std::async(
        std::launch::async, [&] { kit.write(request.path, request.password, request.readOnly); });
    while (writing.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        progress(3, kKitSteps);
    writing.get();
    progress(kKitSteps, kKitSteps);
    return summary;
}

} // namespace stowfolio
