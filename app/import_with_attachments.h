#pragma once

// An import that brings files along: a CSV file with an "Attachments" column, or a claim kit
// (app/claim_kit_export.h) restored. File ▸ Import Items… and `--import` both go through here:
//
//   prepareImport()  reads the input (a kit is unpacked first into a private staging folder
//                    beside the attachment store, its password asked for), and checks every
//                    file the items name before anything changes: each must be a regular,
//                    readable file within the store's limit, a picture must have a sound header,
//                    and a kit's must be one of the kit's own entries.
//   keepAttachments() then keeps each item's files with the item just added, all or nothing.
//
// The staging folder goes with the PreparedImport on every way out.

#include "claim_kit/claim_kit_error.h"
#include "evidence/attachment_keeper.h"
#include "state/inventory_conventions.h"
#include "state/item_import.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace stowfolio {

class WorkFolder;

struct PreparedImport
{
    PreparedImport();
    ~PreparedImport();
    PreparedImport(PreparedImport&&) noexcept;
    PreparedImport& operator=(PreparedImport&&) noexcept;

    ItemImport imported;
    // Each item's files with their kinds and captions, parallel to imported.items.
    std::vector<std::vector<AttachmentSource>> attachments;
    bool fromKit = false;
    // The user cancelled (the kit's password was not given); nothing to say.
    bool cancelled = false;
    // A kit's unpacked files, until the import is done.
    std::unique_ptr<WorkFolder> staging;

    qsizetype attachmentCount() const;
};

// Asked for a kit's password, with the problem the last one had (PasswordNeeded for the first
// question, WrongPassword after that); nothing cancels. May throw to end the import.
using KitPasswordSource =
    std::function<std::optional<QString>(const claimkit::ClaimKitError& problem)>;

// The names whose presence in a zip archive make it a claim kit (the manifest besides).
bool isClaimKit(const QString& path);

// Reads the import at `path` ("-": standard input) into at most `room` items and checks the
// files they bring. A problem (imported.problem) names the input, the row and the file at fault.
// `files` is the attachment store the files will go to (its limits; its folder's parent holds a
// kit's staging folder). `password` is tried first on a protected kit; `askPassword` is asked
// after it fails. `progress` hears how far a CSV file has been read, and every tenth of a second
// while a kit unpacks (0 of 0: how far is not known).
PreparedImport prepareImport(const QString& path, int room, const InventoryConventions& conventions,
                             const AttachmentFileStore& files, const QString& password,
                             const KitPasswordSource& askPassword,
                             const ImportProgress& progress = {});

// Keeps `prepared`'s files with the items added under `ids` (one per imported item, in order),
// all or nothing, without thumbnails. Throws AttachmentError or DatabaseError naming what failed.
void keepAttachments(AttachmentKeeper& keeper, const std::vector<ItemId>& ids,
                     const PreparedImport& prepared);

// The folders a CSV file's attachments are taken from, each once, in their order: the preview
// shows them, so that a list someone else made cannot bring along files the user never meant to
// keep (and later hand over in a claim kit) unseen.
QStringList attachmentFolders(const PreparedImport& prepared);

// "3 items and 5 attachments from kit.zip" and the like, for messages.
QString importedContentsText(const PreparedImport& prepared, const QString& path);

} // namespace stowfolio
