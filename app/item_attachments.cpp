#include "app/item_attachments.h"

#include "app/attachment_commands.h"
#include "evidence/attachment_error.h"
#include "state/sqlite_database.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QUndoStack>

#include <exception>

namespace stowfolio {

namespace {

QString textOf(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

ItemAttachments::ItemAttachments(InventoryStore& records, QUndoStack& undoStack,
                                 AttachmentKeeper::Clock clock)
    : m_records(records), m_undoStack(undoStack),
      m_files(std::make_unique<AttachmentFileStore>(attachmentFolderFor(records.path()))),
      m_keeper(std::make_unique<AttachmentKeeper>(records, *m_files, std::move(clock)))
{
}

ItemAttachments::~ItemAttachments() = default;

AttachmentKind ItemAttachments::kindOfFile(const QString& path)
{
    // By the name only: the file is not opened before the keeper has checked it is a regular
    // file (reading a FIFO here would hang the window).
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    return type.name().startsWith(QLatin1String("image/")) ? AttachmentKind::Photo
                                                           : AttachmentKind::Document;
}

std::vector<Attachment> ItemAttachments::of(ItemId item)
{
    try {
        return m_records.attachments(item);
    } catch (const std::exception& error) {
        emit refused(textOf(error));
        return {};
    }
}

std::optional<std::vector<Attachment>> ItemAttachments::keep(ItemId item, const QStringList& paths,
                                                             QString& failure)
{
    std::vector<AttachmentSource> sources;
    sources.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths)
        sources.push_back(AttachmentSource{path, kindOfFile(path), QString()});
    std::vector<Attachment> kept;
    try {
        for (AddedAttachment& added : m_keeper->add(item, sources))
            kept.push_back(std::move(added.attachment));
    } catch (const std::exception& error) {
        failure = textOf(error);
        return std::nullopt;
    }
    emit changed(item);
    return kept;
}

QString ItemAttachments::addFiles(ItemId item, const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    QString failure;
    std::optional<std::vector<Attachment>> kept = keep(item, paths, failure);
    if (!kept)
        return failure;
    m_undoStack.push(new AddAttachmentsCommand(
        *this, std::move(*kept),
        paths.size() == 1 ? QStringLiteral("Add Attachment") : QStringLiteral("Add Attachments")));
    return {};
}

std::optional<Attachment> ItemAttachments::find(AttachmentId id)
{
    try {
        return m_records.attachment(id);
    } catch (const std::exception& error) {
        emit refused(textOf(error));
        return std::nullopt;
    }
}

void ItemAttachments::remove(AttachmentId id)
{
    m_undoStack.push(new RemoveAttachmentCommand(*this, id));
}

void ItemAttachments::setCaption(AttachmentId id, const QString& caption)
{
    const std::optional<Attachment> now = find(id);
    if (!now || now->caption == caption)
        return;
    m_undoStack.push(new SetAttachmentCaptionCommand(*this, id, now->caption, caption));
}

void ItemAttachments::setKind(AttachmentId id, AttachmentKind kind)
{
    const std::optional<Attachment> now = find(id);
    if (!now || now->kind == kind)
        return;
    m_undoStack.push(new SetAttachmentKindCommand(*this, id, now->kind, kind));
}

void ItemAttachments::makePrimary(AttachmentId id)
{
    const std::optional<Attachment> now = find(id);
    if (!now || now->position == 0)
        return;
    m_undoStack.push(new MoveAttachmentCommand(*this, id, now->position, 0,
                                               QStringLiteral("Make Primary Photo")));
}

template <typename Change>
bool ItemAttachments::change(AttachmentId id, Change&& apply)
{
    try {
        const std::optional<Attachment> before = m_records.attachment(id);
        apply();
        if (before)
            emit changed(before->item);
        return true;
    } catch (const std::exception& error) {
        emit refused(textOf(error));
        return false;
    }
}

std::optional<Attachment> ItemAttachments::removeRecord(AttachmentId id)
{
    std::optional<Attachment> removed;
    if (!change(id, [&] { removed = m_keeper->remove(id); }))
        return std::nullopt;
    return removed;
}

bool ItemAttachments::restoreRecord(const Attachment& attachment)
{
    try {
        m_keeper->restore(attachment);
    } catch (const std::exception& error) {
        emit refused(textOf(error));
        return false;
    }
    emit changed(attachment.item);
    return true;
}

bool ItemAttachments::setCaptionRecord(AttachmentId id, const QString& caption)
{
    return change(id, [&] { m_records.setAttachmentCaption(id, caption); });
}

bool ItemAttachments::setKindRecord(AttachmentId id, AttachmentKind kind)
{
    return change(id, [&] { m_records.setAttachmentKind(id, kind); });
}

bool ItemAttachments::moveRecord(AttachmentId id, int position)
{
    return change(id, [&] { m_records.moveAttachment(id, position); });
}

bool ItemAttachments::copyRecords(const std::vector<InventoryStore::AttachmentCopy>& copies)
{
    try {
        m_records.copyAttachments(copies);
    } catch (const std::exception& error) {
        emit refused(textOf(error));
        return false;
    }
    for (const InventoryStore::AttachmentCopy& copy : copies)
        emit changed(copy.to);
    return true;
}

void ItemAttachments::purge()
{
    try {
        m_keeper->purge();
    } catch (const std::exception& error) {
        emit refused(QStringLiteral("The attachments of deleted items could not be cleared "
                                    "away: ") +
                     textOf(error));
    }
}

} // namespace stowfolio
