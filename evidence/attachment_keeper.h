#pragma once

// Keeping files with items: the one place that puts a file in the attachment store
// (evidence/attachment_file_store.h) and its record in the inventory database
// (InventoryStore's attachment records) together, so that neither is ever half done.
//
// Adding is all or nothing: every file is checked first (a folder, a FIFO, a missing or
// unreadable file, one beyond the size limit is refused, all named in one message), then
// copied, its facts read (EXIF date taken, camera) and, for a picture, a thumbnail made (a
// damaged JPEG or HEIC is refused there); only then are the records written, in one transaction.
// A failure at any step removes the files this call put in the store and adds no record.
//
// Removing an attachment removes its record; its file stays in the store until purge(), when
// no undo can put the record back. purge() is for the window's start and close only.

#include "evidence/attachment_file_store.h"
#include "state/inventory_store.h"

#include <QDateTime>
#include <QImage>
#include <QSize>

#include <functional>
#include <optional>
#include <vector>

namespace stowfolio {

// A file the user chose for an item.
struct AttachmentSource
{
    QString path;
    AttachmentKind kind = AttachmentKind::Document;
    QString caption;
    // When it was first kept (ISO 8601), for a file brought back from a claim kit; empty: now.
    QString added = {};
    // The name it is known by, when not the file's own (a kit's file renamed to be unique).
    QString originalName = {};
    // The file may be moved into the store rather than copied: it is the caller's to give away
    // (a claim kit's, unpacked beside the store). A failed add may have moved it already.
    bool movable = false;
};

// The files of one item, for adding several items' at once.
struct ItemSources
{
    ItemId item = 0;
    std::vector<AttachmentSource> sources;
};

struct AddedAttachment
{
    Attachment attachment;
    // The picture at the thumbnail size, right way up; null for a file that is not a picture.
    QImage thumbnail;
};

struct PurgeOutcome
{
    std::int64_t records = 0; // records of items that are gone
    int files = 0;            // files no record named, and unfinished copies
};

class AttachmentKeeper
{
public:
    static constexpr QSize kThumbnailSize{256, 256};

    using Clock = std::function<QDateTime()>;
    // `clock` gives the time an attachment is added (the system's when empty).
    AttachmentKeeper(InventoryStore& records, AttachmentFileStore& files, Clock clock = {});

    // Keeps `sources` with `item`, after its other attachments, in their order. Throws
    // AttachmentError naming each file that cannot be kept, or DatabaseError when the records
    // cannot be written; either way nothing was added.
    // An empty `thumbnailSize` makes no thumbnail: a picture's header alone is read then, which
    // still refuses a file that is no picture of its kind.
    std::vector<AddedAttachment> add(ItemId item, const std::vector<AttachmentSource>& sources,
                                     const QSize& thumbnailSize = kThumbnailSize);
    // The same for the files of several items, all or nothing, the records in one transaction
    // (an import). Returns the records added, one list per entry of `batch`.
    std::vector<std::vector<Attachment>> add(const std::vector<ItemSources>& batch,
                                             const QSize& thumbnailSize);

    // Removes an attachment's record and returns it, for restore() to put back (undo).
    Attachment remove(AttachmentId id);
    void restore(const Attachment& attachment);

    // Removes the records of deleted items and the stored files no record names.
    PurgeOutcome purge();

    // Where the file of `attachment` is kept. Throws AttachmentError for a damaged record.
    QString filePath(const Attachment& attachment) const;
    // The attachment's picture within `bounds`, the right way up. Throws AttachmentError naming
    // the file's original name when it is not a picture or is damaged.
    QImage picture(const Attachment& attachment, const QSize& bounds) const;

private:
    // A file on its way in.
    struct Taken
    {
        std::optional<StoredFile> stored;
        NewAttachment record;
        QImage thumbnail;
    };

    std::vector<std::vector<AttachmentId>> addTaking(const std::vector<ItemSources>& batch,
                                                     const QSize& thumbnailSize,
                                                     std::vector<Taken>& taken);
    void takeIn(const AttachmentSource& source, const QString& added, const QSize& thumbnailSize,
                Taken& taken) const;

    InventoryStore& m_records;
    AttachmentFileStore& m_files;
    Clock m_clock;
};

} // namespace stowfolio
