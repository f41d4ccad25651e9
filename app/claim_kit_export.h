#pragma once

// The claim kit of an inventory: everything an insurer asks for after a loss, in one zip archive
// (claim_kit/kit_writer.h) that the command line (--claim-kit) and File ▸ Export Claim Kit… both
// write through writeInventoryClaimKit():
//
//     Home Inventory.xls          the workbook, as Start Creating Template builds it
//     Home Inventory Report.pdf   the insurer's report of that workbook
//     items.csv                   the list as Export Items as CSV writes it, and a last column
//                                 "Attachments": the item's files inside the kit, ";"-separated
//     attachments/<n>/<name>      every file kept with item n (its number in the list, from 1),
//                                 under its original name, made unique within the folder
//     attachments.csv             one row per attachment: item number, entry, kind, caption,
//                                 when it was added and taken, the camera, its SHA-256 and its
//                                 original name (an evidence list for people, and what a restore
//                                 reads the kinds and captions from)
//     manifest.sha256             the SHA-256 of every other entry (written by the kit itself)
//
// The workbook and the report are built in a private work folder that goes with the call. The
// kit is read back and checked against its manifest before the call returns.

#include "spreadsheet/files/atomic_file.h"
#include "state/attachment_records.h"
#include "state/inventory.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace stowfolio {

class AttachmentFileStore;
class ExcelFactory;
class InventoryStore;

inline const QString kKitWorkbookName = QStringLiteral("Home Inventory.xls");
inline const QString kKitReportName = QStringLiteral("Home Inventory Report.pdf");
inline const QString kKitItemListName = QStringLiteral("items.csv");
inline const QString kKitAttachmentsFolder = QStringLiteral("attachments");
inline const QString kKitAttachmentListName = QStringLiteral("attachments.csv");

// The columns of attachments.csv, in order.
enum class KitAttachmentColumn
{
    Item,
    Entry,
    Kind,
    Caption,
    Added,
    Taken,
    Camera,
    Sha256,
    OriginalName,
    Count
};
extern const QStringList kKitAttachmentListCaptions;

// Told how far the kit has come (steps done of `total`); false asks to stop. Stopping is possible
// until the archive is being written; from there on the kit is finished, on a thread of its own,
// and this is told (and may repaint the window) every tenth of a second meanwhile.
using KitProgress = std::function<bool(int done, int total)>;

struct ClaimKitRequest
{
    Inventory inventory; // the items with their ids, in list order
    QString path;        // the kit to write
    QString password;    // empty: not protected
    spreadsheet::files::ReadOnlyTarget readOnly = spreadsheet::files::ReadOnlyTarget::Refuse;
};

struct ClaimKitSummary
{
    int items = 0;
    int attachments = 0;
};

// "1 item, 3 attachments" for the messages that tell what a kit holds.
QString contentsText(const ClaimKitSummary& summary);

// Writes the kit of `request.inventory`, whose attachments are the records in `records` and the
// files in `files`, and checks it. Returns nothing when `progress` asked to stop (nothing is
// written then). Throws std::runtime_error (or ClaimKitError, one) with a message for the user
// naming what failed; the target is then as it was.
std::optional<ClaimKitSummary> writeInventoryClaimKit(const ExcelFactory& factory,
                                                      InventoryStore& records,
                                                      AttachmentFileStore& files,
                                                      const ClaimKitRequest& request,
                                                      const KitProgress& progress = {});

// The kit's names for files called `originalNames` kept in one folder, in order: each made a name
// a kit may hold (a folder separator or control character becomes "_", an empty or dot-only name
// "attachment", a name too long is shortened keeping its extension) and unique within the folder
// without regard to case ("tv.jpg", "tv (2).jpg").
QStringList kitFileNames(const QStringList& originalNames);

// The item list with the "Attachments" column: each item's entries in the kit, ";"-separated.
// `attachmentEntries` holds one list per item, in the order of `items`.
QByteArray itemsWithAttachmentsAsCsv(const std::vector<Item>& items,
                                     const std::vector<QStringList>& attachmentEntries);

// attachments.csv: one row per attachment of `attachments`, whose entries in the kit are
// `attachmentEntries` (the same shape), each with the number of its item (from 1).
QByteArray attachmentListAsCsv(const std::vector<std::vector<Attachment>>& attachments,
                               const std::vector<QStringList>& attachmentEntries);

// The password in the first line of the file at `path`, without its line end. Throws
// std::runtime_error naming the file when it cannot be read, or the line is empty or too long.
QString readPasswordFile(const QString& path);

} // namespace stowfolio
