#pragma once

// The changes of an item's attachments as undo steps (the list's own are list_commands.h).
// Commands name attachments and items by id, so a step still finds its attachment after other
// changes; a change the database refuses makes its command obsolete, as the list's do.

#include "app/item_attachments.h"
#include "app/list_commands.h"

#include <QUndoCommand>

#include <vector>

namespace stowfolio {

// Files already kept (ItemAttachments::keep): the first redo does nothing; undo removes their
// records, redo puts them back (their files wait in the store until the purge).
class AddAttachmentsCommand : public QUndoCommand
{
public:
    AddAttachmentsCommand(ItemAttachments& attachments, std::vector<Attachment> added,
                          const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemAttachments& m_attachments;
    std::vector<Attachment> m_added;
    bool m_firstRedo = true;
};

class RemoveAttachmentCommand : public QUndoCommand
{
public:
    RemoveAttachmentCommand(ItemAttachments& attachments, AttachmentId id);
    void redo() override;
    void undo() override;

private:
    ItemAttachments& m_attachments;
    AttachmentId m_id;
    Attachment m_removed;
};

class SetAttachmentCaptionCommand : public QUndoCommand
{
public:
    SetAttachmentCaptionCommand(ItemAttachments& attachments, AttachmentId id, QString before,
                                QString after);
    void redo() override;
    void undo() override;

private:
    ItemAttachments& m_attachments;
    AttachmentId m_id;
    QString m_before;
    QString m_after;
};

class SetAttachmentKindCommand : public QUndoCommand
{
public:
    SetAttachmentKindCommand(ItemAttachments& attachments, AttachmentId id, AttachmentKind before,
                             AttachmentKind after);
    void redo() override;
    void undo() override;

private:
    ItemAttachments& m_attachments;
    AttachmentId m_id;
    AttachmentKind m_before;
    AttachmentKind m_after;
};

// Make Primary Photo: the attachment moves to the front; undo puts it back in its place.
class MoveAttachmentCommand : public QUndoCommand
{
public:
    MoveAttachmentCommand(ItemAttachments& attachments, AttachmentId id, int from, int to,
                          const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemAttachments& m_attachments;
    AttachmentId m_id;
    int m_from;
    int m_to;
};

// Add with a Photo field naming a readable file: the item is added as InsertItemsCommand adds
// it, and on the first redo the file is kept as its first photo. A file that cannot be kept is
// told and the item is added all the same, with its Photo text. Undo removes the item only: its
// attachment records stay, so a redo (which gives the item its id back) finds them again.
class AddItemWithPhotoCommand : public QUndoCommand
{
public:
    AddItemWithPhotoCommand(ItemListEditing& list, ItemAttachments& attachments, int at, Item item,
                            QString photoPath, const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    ItemAttachments& m_attachments;
    int m_at;
    Item m_item;
    QString m_photoPath;
    bool m_firstRedo = true;
};

} // namespace stowfolio
