#pragma once

// The records of the files kept with an item (photos, receipts, manuals, appraisals and other
// documents). A record names its file by the SHA-256 of its bytes; the bytes themselves live in
// the attachment store beside the database (evidence/attachment_file_store.h), once per content
// however many records name it.
//
// A record belongs to an item by its id and has a place among the item's attachments
// (0, 1, 2, ...; the first photo is the item's primary picture). Deleting an item leaves its
// records alone: undo puts the item back under the same id, and its attachments with it. Records
// whose item is gone are purged only when no undo can bring the item back
// (InventoryStore::purgeAttachments).

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace stowfolio {

using ItemId = std::int64_t;
using AttachmentId = std::int64_t;

// What a file is to the item. The keys are stored in the database and never change.
enum class AttachmentKind
{
    Photo,
    Receipt,
    Manual,
    Appraisal,
    Document
};

inline constexpr AttachmentKind kAttachmentKinds[] = {
    AttachmentKind::Photo, AttachmentKind::Receipt, AttachmentKind::Manual,
    AttachmentKind::Appraisal, AttachmentKind::Document};

// "photo", "receipt", "manual", "appraisal", "document".
std::string_view attachmentKindKey(AttachmentKind kind);
// The kind stored under `key`; an unknown key (from a newer program) reads as a document.
AttachmentKind attachmentKindFromKey(const QString& key);

// The facts of a file as the store took it in.
struct AttachmentFileFacts
{
    QString sha256;        // lowercase hex, 64 characters
    std::int64_t size = 0; // bytes
    QString originalName;  // the file's name where it came from, without its folder
    QString taken;         // EXIF DateTimeOriginal as ISO 8601 ("2024-05-01T14:03:22"), or empty
    QString camera;        // EXIF Make and Model ("Canon EOS 80D"), or empty
};

// A file to be recorded for an item.
struct NewAttachment
{
    AttachmentKind kind = AttachmentKind::Document;
    QString caption;
    QString added; // ISO 8601, as the caller's clock said
    AttachmentFileFacts file;
};

struct Attachment
{
    AttachmentId id = 0;
    ItemId item = 0;
    int position = 0;
    AttachmentKind kind = AttachmentKind::Document;
    QString caption;
    QString added;
    AttachmentFileFacts file;
};

} // namespace stowfolio
