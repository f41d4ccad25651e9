#pragma once

// The files kept with items, as the window changes them: the attachment store beside the
// inventory database and its keeper (evidence/attachment_keeper.h) over the window's own
// InventoryStore, and every change as one step on the window's undo stack
// (attachment_commands.h), so Undo works for attachments as for the list.
//
// Adding takes files in before its step is pushed: a file that cannot be kept (missing,
// unreadable, a folder, a FIFO, too large, a damaged picture) refuses the whole choice, with one
// message naming each such file, and nothing is added. The other changes are made by their
// commands; a change the database refuses is told through refused() and leaves no step.
//
// Undoing an add removes the records only; the files stay in the store until purge(), which the
// window runs when it starts and when it closes, when no undo can want them.

#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QUndoStack;

namespace stowfolio {

class ItemAttachments : public QObject
{
    Q_OBJECT

public:
    // Opens (or creates, owner-only) the store beside `records`' database. Throws
    // AttachmentError when the folder cannot be made.
    ItemAttachments(InventoryStore& records, QUndoStack& undoStack,
                    AttachmentKeeper::Clock clock = {});
    ~ItemAttachments() override;

    AttachmentKeeper& keeper() { return *m_keeper; }
    const QString& folder() const { return m_files->folder(); }

    // A picture is a photo; anything else a document until the user says what it is.
    static AttachmentKind kindOfFile(const QString& path);

    // The attachments of `item`, in order; none when they cannot be read (told).
    std::vector<Attachment> of(ItemId item);
    // Keeps `paths` with `item`, after its others, as one undo step. Returns the reason nothing
    // was added (naming every file at fault), or an empty text when all were kept.
    QString addFiles(ItemId item, const QStringList& paths);
    // Keeps `paths` with `item` outside the undo stack (a command that adds them is pushed by
    // the caller); the records kept, or nothing with `failure` set.
    std::optional<std::vector<Attachment>> keep(ItemId item, const QStringList& paths,
                                                QString& failure);

    // Each one undo step.
    void remove(AttachmentId id);
    void setCaption(AttachmentId id, const QString& caption);
    void setKind(AttachmentId id, AttachmentKind kind);
    void makePrimary(AttachmentId id);

    // The records as the commands change them; false when the change was refused (told).
    std::optional<Attachment> removeRecord(AttachmentId id);
    bool restoreRecord(const Attachment& attachment);
    bool setCaptionRecord(AttachmentId id, const QString& caption);
    bool setKindRecord(AttachmentId id, AttachmentKind kind);
    bool moveRecord(AttachmentId id, int position);
    // Gives each copy of an item the records of its original (Duplicate).
    bool copyRecords(const std::vector<InventoryStore::AttachmentCopy>& copies);

    // Removes the records of deleted items and the files no record names. Only when no undo can
    // want them: the window's start and close. Failures are told; nothing else happens.
    void purge();

signals:
    // The attachments of `item` changed (a step, its undo or its redo).
    void changed(ItemId item);
    // A change could not be made; the text says why.
    void refused(const QString& reason);

private:
    // The record as the database holds it now; nothing when it cannot be read (told).
    std::optional<Attachment> find(AttachmentId id);
    template <typename Change>
    bool change(AttachmentId id, Change&& apply);

    InventoryStore& m_records;
    QUndoStack& m_undoStack;
    std::unique_ptr<AttachmentFileStore> m_files;
    std::unique_ptr<AttachmentKeeper> m_keeper;
};

} // namespace stowfolio
