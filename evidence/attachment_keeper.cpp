#include "evidence/attachment_keeper.h"

#include "evidence/attachment_error.h"
#include "evidence/picture_facts.h"
#include "evidence/picture_loader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace stowfolio {

namespace {

// How many refused files one message names before it says "and N more".
constexpr int kMaxNamedRefusals = 5;

// An unfinished copy older than this was left by a process that was killed: a live copy
// changes its file with every buffer it writes.
constexpr auto kUnfinishedCopyAge = std::chrono::hours(1);

// Threads that take files in at once: beyond four, the disk is the limit.
constexpr std::size_t kMaxThreads = 4;

// Thrown when a stored file disappeared between its copy and its record (another process
// purged it meanwhile); the files are copied again once.
struct StoreChangedMeanwhile
{
};

// Runs work(0) ... work(count - 1) on a few threads (this one among them): copying, hashing
// and decoding one photo is independent of the next, and a machine has more than one core.
void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work)
{
    const std::size_t threads = std::min<std::size_t>(
        {std::max(1u, std::thread::hardware_concurrency()), kMaxThreads, count});
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::jthread> helpers;
    for (std::size_t i = 1; i < threads; ++i)
        helpers.emplace_back(run);
    run();
}

} // namespace

AttachmentKeeper::AttachmentKeeper(InventoryStore& records, AttachmentFileStore& files, Clock clock)
    : m_records(records), m_files(files), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTime(); };
}

std::vector<AddedAttachment> AttachmentKeeper::add(ItemId item,
                                                   const std::vector<AttachmentSource>& sources,
                                                   const QSize& thumbnailSize)
{
    std::vector<Taken> taken;
    const std::vector<std::vector<AttachmentId>> ids =
        addTaking({ItemSources{item, sources}}, thumbnailSize, taken);
    std::vector<AddedAttachment> result;
    result.reserve(ids.front().size());
    for (std::size_t i = 0; i < ids.front().size(); ++i) {
        std::optional<Attachment> attachment = m_records.attachment(ids.front()[i]);
        if (attachment)
            result.push_back(AddedAttachment{*attachment, taken[i].thumbnail});
    }
    return result;
}

std::vector<std::vector<Attachment>> AttachmentKeeper::add(const std::vector<ItemSources>& batch,
                                                           const QSize& thumbnailSize)
{
    std::vector<Taken> taken;
    const std::vector<std::vector<AttachmentId>> ids = addTaking(batch, thumbnailSize, taken);
    std::vector<std::vector<Attachment>> result(ids.size());
    for (std::size_t b = 0; b < ids.size(); ++b) {
        for (const AttachmentId id : ids[b]) {
            std::optional<Attachment> attachment = m_records.attachment(id);
            if (attachment)
                result[b].push_back(std::move(*attachment));
        }
    }
    return result;
}

std::vector<std::vector<AttachmentId>>
AttachmentKeeper::addTaking(const std::vector<ItemSources>& batch, const QSize& thumbnailSize,
                            std::vector<Taken>& taken)
{
    // Every refusal at once: a user who dropped twenty files learns of all the bad ones.
    std::vector<const AttachmentSource*> sources;
    for (const ItemSources& item : batch)
        for (const AttachmentSource& source : item.sources)
            sources.push_back(&source);
    QStringList refusals;
    std::int64_t total = 0;
    for (const AttachmentSource* source : sources) {
        if (const QString reason = m_files.refusal(source->path); !reason.isEmpty())
            refusals << source->path + QStringLiteral(": ") + reason;
        else if (!source->movable) // a file moved in takes no room of its own
            total += QFileInfo(source->path).size();
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
    if (const QString room = m_files.roomRefusal(total); !room.isEmpty())
        throw AttachmentError((QStringLiteral("Nothing was attached: ") + room).toStdString());

    const QString added = m_clock().toString(Qt::ISODate);
    for (int attempt = 0;; ++attempt) {
        taken.assign(sources.size(), Taken{});
        // Removes what this attempt put in the store that no record names, on any failure.
        const auto dropTaken = [&] {
            for (const Taken& file : taken) {
                if (file.stored && file.stored->added &&
                    m_records.attachmentFileUses(file.stored->sha256) == 0)
                    m_files.remove(file.stored->sha256);
            }
        };
        try {
            std::vector<std::exception_ptr> failures(sources.size());
            // After a failure the files not yet begun are left alone: nothing will be added.
            std::atomic<bool> failed{false};
            forEachInParallel(sources.size(), [&](std::size_t i) {
                if (failed)
                    return;
                try {
                    takeIn(*sources[i], added, thumbnailSize, taken[i]);
                } catch (...) {
                    failures[i] = std::current_exception();
                    failed = true;
                }
            });
            for (const std::exception_ptr& failure : failures) {
                if (failure)
                    std::rethrow_exception(failure);
            }
            // Files moved in are renamed only: one sync of the folder makes every rename last.
            if (std::any_of(sources.begin(), sources.end(),
                            [](const AttachmentSource* source) { return source->movable; }))
                m_files.syncFolder();
            std::vector<std::pair<ItemId, std::vector<NewAttachment>>> records;
            records.reserve(batch.size());
            std::size_t next = 0;
            for (const ItemSources& item : batch) {
                std::vector<NewAttachment>& itemRecords =
                    records.emplace_back(item.item, std::vector<NewAttachment>{}).second;
                for (std::size_t i = 0; i < item.sources.size(); ++i)
                    itemRecords.push_back(taken[next++].record);
            }
            return m_records.addAttachments(records, [&] {
                for (const Taken& file : taken) {
                    if (!m_files.holds(file.stored->sha256, file.stored->size))
                        throw StoreChangedMeanwhile{};
                }
            });
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

// One file into the store, with its facts and thumbnail. Runs on a worker thread: it touches
// the store and the file, never the records. `taken.stored` is set as soon as the file is in
// the store, so that a later failure can take it out again.
void AttachmentKeeper::takeIn(const AttachmentSource& source, const QString& added,
                              const QSize& thumbnailSize, Taken& taken) const
{
    taken.stored = source.movable ? m_files.adopt(source.path) : m_files.store(source.path);
    const QString stored = m_files.pathOf(taken.stored->sha256);
    if (isReadablePicture(pictureFormatOfFile(stored))) {
        if (thumbnailSize.isEmpty())
            storedPictureSize(stored, source.path); // a damaged header refuses it; no pixels read
        else
            taken.thumbnail = loadPicture(stored, thumbnailSize, source.path);
    }
    const PictureFacts facts = pictureFactsOfFile(QFile::encodeName(stored).toStdString());
    NewAttachment& record = taken.record;
    record.kind = source.kind;
    record.caption = source.caption;
    record.added = source.added.isEmpty() ? added : source.added;
    record.file.sha256 = taken.stored->sha256;
    record.file.size = taken.stored->size;
    record.file.originalName =
        source.originalName.isEmpty() ? QFileInfo(source.path).fileName() : source.originalName;
    record.file.taken = QString::fromStdString(facts.taken);
    record.file.camera = QString::fromStdString(facts.camera);
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
