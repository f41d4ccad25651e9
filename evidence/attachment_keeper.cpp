#include "evidence/attachment_keeper.h"

#include "evidence/attachment_error.h"
#include "evidence/picture_facts.h"
#include "evidence/picture_loader.h"

#include <QFile>
#include <QFileInfo>

namespace stowfolio {

namespace {

// How many refused files one message names before it says "and N more".
constexpr int kMaxNamedRefusals = 5;

// An unfinished copy older than this was left by a process that was killed: a live copy
// changes its file with every buffer it writes.
constexpr auto kUnfinishedCopyAge = std::chrono::hours(1);

// Thrown when a stored file disappeared between its copy and its record (another process
// purged it meanwhile); the files are copied again once.
struct StoreChangedMeanwhile
{
};

struct Taken
{
    StoredFile stored;
    NewAttachment record;
    QImage thumbnail;
};

} // namespace

AttachmentKeeper::AttachmentKeeper(InventoryStore& records, AttachmentFileStore& files,
                                   Clock clock)
    : m_records(records), m_files(files), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTime(); };
}

std::vector<AddedAttachment> AttachmentKeeper::add(ItemId item,
                                                   const std::vector<AttachmentSource>& sources,
                                                   const QSize& thumbnailSize)
{
    // Every refusal at once: a user who dropped twenty files learns of all the bad ones.
    QStringList refusals;
    for (const AttachmentSource& source : sources) {
        if (const QString reason = m_files.refusal(source.path); !reason.isEmpty())
            refusals << source.path + QStringLiteral(": ") + reason;
    }
    if (!refusals.isEmpty()) {
        const qsizetype more = refusals.size() - kMaxNamedRefusals;
        if (more > 0) {
            refusals = refusals.mid(0, kMaxNamedRefusals);
            refusals << QStringLiteral("and %1 more").arg(more);
        }
        throw AttachmentError(
            (QStringLiteral("Nothing was attached.\n") + refusals.join(QLatin1Char('\n')))
                .toStdString());
    }

    const QString added = m_clock().toString(Qt::ISODate);
    for (int attempt = 0;; ++attempt) {
        std::vector<Taken> taken;
        // Removes what this attempt put in the store that no record names, on any failure.
        const auto dropTaken = [&] {
            for (const Taken& file : taken) {
                if (file.stored.added && m_records.attachmentFileUses(file.stored.sha256) == 0)
                    m_files.remove(file.stored.sha256);
            }
        };
        try {
            for (const AttachmentSource& source : sources) {
                Taken file;
                file.stored = m_files.store(source.path);
                taken.push_back(file);
                const QString stored = m_files.pathOf(file.stored.sha256);
                if (isReadablePicture(pictureFormatOfFile(stored)))
                    taken.back().thumbnail = loadPicture(stored, thumbnailSize, source.path);
                const PictureFacts facts = pictureFactsOfFile(QFile::encodeName(stored).toStdString());
                NewAttachment& record = taken.back().record;
                record.kind = source.kind;
                record.caption = source.caption;
                record.added = added;
                record.file.sha256 = file.stored.sha256;
                record.file.size = file.stored.size;
                record.file.originalName = QFileInfo(source.path).fileName();
                record.file.taken = QString::fromStdString(facts.taken);
                record.file.camera = QString::fromStdString(facts.camera);
            }
            std::vector<NewAttachment> records;
            records.reserve(taken.size());
            for (const Taken& file : taken)
                records.push_back(file.record);
            const std::vector<AttachmentId> ids =
                m_records.addAttachments(item, records, [&] {
                    for (const Taken& file : taken) {
                        if (!m_files.holds(file.stored.sha256, file.stored.size))
                            throw StoreChangedMeanwhile{};
                    }
                });
            std::vector<AddedAttachment> result;
            result.reserve(ids.size());
            for (std::size_t i = 0; i < ids.size(); ++i) {
                std::optional<Attachment> attachment = m_records.attachment(ids[i]);
                if (attachment)
                    result.push_back(AddedAttachment{*attachment, taken[i].thumbnail});
            }
            return result;
        } catch (const StoreChangedMeanwhile&) {
            dropTaken();
            if (attempt > 0)
                throw AttachmentError("Nothing was attached: the attachment store was being "
                                      "tidied by another Stowfolio; try again.");
        } catch (...) {
            dropTaken();
            throw;
        }
    }
}

Attachment AttachmentKeeper::remove(AttachmentId id)
{
    return m_records.removeAttachment(id);
}

void AttachmentKeeper::restore(const Attachment& attachment)
{
    m_records.restoreAttachment(attachment);
}

PurgeOutcome AttachmentKeeper::purge()
{
    PurgeOutcome outcome;
    const auto unfinishedBefore = std::chrono::system_clock::now() - kUnfinishedCopyAge;
    outcome.records = m_records.purgeAttachments([&](const QSet<QString>& named) {
        outcome.files = m_files.removeUnnamed(named, unfinishedBefore);
    });
    return outcome;
}

QString AttachmentKeeper::filePath(const Attachment& attachment) const
{
    return m_files.pathOf(attachment.file.sha256);
}

QImage AttachmentKeeper::picture(const Attachment& attachment, const QSize& bounds) const
{
    return loadPicture(filePath(attachment), bounds, attachment.file.originalName);
}

} // namespace stowfolio
