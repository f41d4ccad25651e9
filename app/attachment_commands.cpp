#include "app/attachment_commands.h"

#include <ranges>

namespace stowfolio {

AddAttachmentsCommand::AddAttachmentsCommand(ItemAttachments& attachments,
                                             std::vector<Attachment> added, const QString& text)
    : QUndoCommand(text), m_attachments(attachments), m_added(std::move(added))
{
}

void AddAttachmentsCommand::redo()
{
    if (m_firstRedo) {
        m_firstRedo = false;
        return;
    }
    for (const Attachment& attachment : m_added)
        if (!m_attachments.restoreRecord(attachment)) {
            setObsolete(true);
            return;
        }
}

void AddAttachmentsCommand::undo()
{
    // Last first, so each goes back to the place it had.
    for (const Attachment& attachment : std::views::reverse(m_added))
        if (!m_attachments.removeRecord(attachment.id)) {
            setObsolete(true);
            return;
        }
}

RemoveAttachmentCommand::RemoveAttachmentCommand(ItemAttachments& attachments, AttachmentId id)
    : QUndoCommand(QStringLiteral("Remove Attachment")), m_attachments(attachments), m_id(id)
{
}

void RemoveAttachmentCommand::redo()
{
    const std::optional<Attachment> removed = m_attachments.removeRecord(m_id);
    if (!removed) {
        setObsolete(true);
        return;
    }
    m_removed = *removed;
}

void RemoveAttachmentCommand::undo()
{
    if (!m_attachments.restoreRecord(m_removed))
        setObsolete(true);
}

SetAttachmentCaptionCommand::SetAttachmentCaptionCommand(ItemAttachments& attachments,
                                                         AttachmentId id, QString before,
                                                         QString after)
    : QUndoCommand(QStringLiteral("Edit Caption")), m_attachments(attachments), m_id(id),
      m_before(std::move(before)), m_after(std::move(after))
{
}

void SetAttachmentCaptionCommand::redo()
{
    if (!m_attachments.setCaptionRecord(m_id, m_after))
        setObsolete(true);
}

void SetAttachmentCaptionCommand::undo()
{
    if (!m_attachments.setCaptionRecord(m_id, m_before))
        setObsolete(true);
}

SetAttachmentKindCommand::SetAttachmentKindCommand(ItemAttachments& attachments, AttachmentId id,
                                                   AttachmentKind before, AttachmentKind after)
    : QUndoCommand(QStringLiteral("Set Attachment Kind")), m_attachments(attachments), m_id(id),
      m_before(before), m_after(after)
{
}

void SetAttachmentKindCommand::redo()
{
    if (!m_attachments.setKindRecord(m_id, m_after))
        setObsolete(true);
}

void SetAttachmentKindCommand::undo()
{
    if (!m_attachments.setKindRecord(m_id, m_before))
        setObsolete(true);
}

MoveAttachmentCommand::MoveAttachmentCommand(ItemAttachments& attachments, AttachmentId id,
                                             int from, int to, const QString& text)
    : QUndoCommand(text), m_attachments(attachments), m_id(id), m_from(from), m_to(to)
{
}

void MoveAttachmentCommand::redo()
{
    if (!m_attachments.moveRecord(m_id, m_to))
        setObsolete(true);
}

void MoveAttachmentCommand::undo()
{
    if (!m_attachments.moveRecord(m_id, m_from))
        setObsolete(true);
}

AddItemWithPhotoCommand::AddItemWithPhotoCommand(ItemListEditing& list,
                                                 ItemAttachments& attachments, int at, Item item,
                                                 QString photoPath, const QString& text)
    : QUndoCommand(text), m_list(list), m_attachments(attachments), m_at(at),
      m_item(std::move(item)), m_photoPath(std::move(photoPath))
{
}

void AddItemWithPhotoCommand::redo()
{
    const std::optional<std::vector<ItemId>> ids = m_list.insertItems(m_at, {m_item});
    if (!ids || ids->size() != 1) {
        setObsolete(true);
        return;
    }
    m_item.id = ids->front();
    if (!m_firstRedo)
        return;
    m_firstRedo = false;
    QString failure;
    if (!m_attachments.keep(m_item.id, {m_photoPath}, failure))
        emit m_attachments.refused(failure +
                                   QStringLiteral("\n\nThe item was added without its photo; its "
                                                  "Photo field keeps the file's name."));
}

void AddItemWithPhotoCommand::undo()
{
    if (!m_list.removeItems({m_item.id}))
        setObsolete(true);
}

} // namespace stowfolio
