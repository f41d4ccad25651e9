// The report's pages of item photos, its evidence index and its page of the photos that could
// not be included.

#include "report/inventory_report.h"
#include "report/report_drawing.h"

#include "evidence/picture_loader.h"
#include "platform/file_helpers.h"
#include "state/item_values.h"
#include "workbook/inventory.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <array>
#include <functional>
#include <future>

namespace stowfolio::report {

namespace {

// Why a photo cannot be shown, or nothing when it can. Only the file's header is read here:
// decoding a camera's photo is most of the report's time, so each is decoded once, at the size
// it is printed, when its page is painted (a file whose pixels then fail to decode gets a note in
// its place and a line among the problems).
QString photoProblem(const QString& path)
{
    // Named for what it is; a pipe or a device is never opened, which could wait for ever.
    if (const QString why = notAPlainFile(path); !why.isEmpty())
        return why;
    QImageReader reader(path);
    if (!reader.canRead() || !reader.size().isValid())
        return QStringLiteral("it is not a picture that can be read (%1)")
            .arg(reader.errorString());
    return {};
}

// A photo decoded once, at the size it is printed (`pixels` at most, turned as its EXIF data
// says), or why it could not be.
struct DecodedPhoto
{
    QImage image;
    QString error;
};

DecodedPhoto decodePhoto(const QString& path, QSize pixels)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize shown = turned ? stored.transposed() : stored;
    const QSize wanted = shown.scaled(pixels, Qt::KeepAspectRatio);
    if (shown.isValid() && wanted.width() < shown.width())
        reader.setScaledSize(turned ? wanted.transposed() : wanted);
    DecodedPhoto photo{reader.read(), QString()};
    if (photo.image.isNull())
        photo.error = reader.errorString();
    return photo;
}

// An attachment decoded the same way, HEIC too (evidence/picture_loader.h).
DecodedPhoto decodeAttachment(const QString& path, QSize pixels, const QString& name)
{
    try {
        return {loadPicture(path, pixels, name), QString()};
    } catch (const std::exception& error) {
        return {QImage(), QString::fromUtf8(error.what())};
    }
}

// The reason in a message "name: reason" of the picture loader, the name being said elsewhere.
QString reasonOf(const QString& message, const QString& name)
{
    const QString prefix = name + QLatin1Char(':');
    return message.startsWith(prefix) ? message.mid(prefix.size()).trimmed() : message;
}

QString kindName(AttachmentKind kind)
{
    const QString key = QString::fromUtf8(attachmentKindKey(kind).data(),
                                          static_cast<qsizetype>(attachmentKindKey(kind).size()));
    return key.left(1).toUpper() + key.mid(1);
}

// "2024-05-01 14:03:22" for the stored ISO 8601 text: one form whatever the locale, as the
// insurer compares it with the file's own.
QString shownDate(const QString& iso)
{
    QString text = iso;
    return text.replace(QLatin1Char('T'), QLatin1Char(' '));
}

QString sizeText(std::int64_t bytes)
{
    const QLocale locale;
    constexpr std::int64_t kKilobyte = 1000;
    if (bytes < kKilobyte)
        return QStringLiteral("%1 bytes").arg(bytes);
    return QStringLiteral("%1 (%2 bytes)")
        .arg(locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat),
             locale.toString(static_cast<qlonglong>(bytes)));
}

QFont digestFont(double points)
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(points);
    return font;
}

const QString kDigestLabel = QStringLiteral("SHA-256: ");

// The heading at the top of a page of photos, of the index or of problems.
void paintPageHeading(QPainter& painter, const QRectF& box, const QString& heading)
{
    painter.setFont(reportFont(12, true));
    painter.drawText(inches(painter, QRectF(box.left(), box.top(), box.width(), 0.35)),
                     Qt::AlignLeft | Qt::AlignVCenter, heading);
}
// Liberation Mono's characters are 0.6 of its size wide.
constexpr double kMonospaceAdvance = 0.6;
constexpr double kIndexIndentInches = 0.25;
constexpr double kIndexPoints = 9;

} // namespace

// The photos in the order of the items: each item's Photo column, then its attachments that are
// pictures. Items are matched with their evidence by their sheet row, so an empty item (which
// has no row read back) keeps its files in their place.
void InventoryReport::collectPhotos(const std::function<bool()>& goOn)
{
    constexpr int kPhotosBetweenTicks = 256;
    std::size_t nextListItem = 0; // the first list item whose evidence is still to be added
    const std::size_t evidenceItems = m_evidence.items.size();
    const auto addEvidenceBefore = [&](std::size_t end) {
        for (; nextListItem < std::min(end, evidenceItems); ++nextListItem)
            addEvidenceOf(static_cast<int>(nextListItem), -1);
    };
    for (int i = 0; i < m_inventory.items.size(); ++i) {
        if (i % kPhotosBetweenTicks == 0 && !goOn())
            return;
        const int row = i < m_inventory.itemRows.size() ? m_inventory.itemRows[i] : -1;
        const int listItem = row - (kFirstItemRow - 1);
        const bool listed = listItem >= 0 && static_cast<std::size_t>(listItem) >= nextListItem;
        if (listed)
            addEvidenceBefore(static_cast<std::size_t>(listItem));
        const std::vector<EvidenceFile>* files =
            listed && static_cast<std::size_t>(listItem) < evidenceItems
                ? &m_evidence.items[static_cast<std::size_t>(listItem)]
                : nullptr;
        const QString path = m_inventory.items[i].value(kPhotoField).trimmed();
        if (!path.isEmpty()) {
            // A typed Photo is kept as the item's first attachment too: the same file is
            // printed once, as the attachment.
            const QFileInfo info(path);
            const bool kept =
                files && std::any_of(files->begin(), files->end(), [&](const auto& f) {
                    return f.attachment.file.originalName == info.fileName() &&
                           f.attachment.file.size == info.size();
                });
            if (!kept) {
                const QString problem = photoProblem(path);
                (problem.isEmpty() ? m_photos : m_problems)
                    .push_back({i, listed ? listItem : -1, -1, problem});
            }
        }
        if (listed) {
            if (files)
                addEvidenceOf(listItem, i);
            nextListItem = static_cast<std::size_t>(listItem) + 1;
        }
    }
    addEvidenceBefore(evidenceItems);
}

// Item `listItem`'s attachments: those that are pictures among the photos, each in the evidence
// index. Only headers are read here; a photo is decoded when its page is painted.
void InventoryReport::addEvidenceOf(int listItem, int item)
{
    const std::vector<EvidenceFile>& files = m_evidence.items[static_cast<std::size_t>(listItem)];
    if (files.empty())
        return;
    const QStringList fields = item >= 0 ? m_inventory.items[item] : QStringList();
    const double width = m_plan.printable.width() - kIndexIndentInches;
    const QFont textFont = reportFont(kIndexPoints);
    QString heading =
        QStringLiteral("Item %1, sheet row %2").arg(listItem + 1).arg(kFirstItemRow + listItem);
    if (!fields.value(kDescriptionField).isEmpty())
        heading += QStringLiteral(": ") + fields.value(kDescriptionField);
    if (!fields.value(kLocationField).isEmpty())
        heading += QStringLiteral(" (") + fields.value(kLocationField) + QLatin1Char(')');
    m_indexLines.push_back({IndexLine::Style::Gap, QString(), true});
    for (const QString& line :
         wrappedText(heading, reportFont(kIndexPoints + 1, true), m_plan.printable.width()))
        m_indexLines.push_back({IndexLine::Style::Item, line, false});

    for (std::size_t a = 0; a < files.size(); ++a) {
        const EvidenceFile& file = files[a];
        const Attachment& attachment = file.attachment;
        const QString& name = attachment.file.originalName;
        const Photo photo{item, listItem, static_cast<int>(a), QString()};
        QString missing;
        if (const QString why = notAPlainFile(file.path); !why.isEmpty()) {
            missing = QStringLiteral("the stored file is missing (%1)").arg(why);
            if (attachment.kind == AttachmentKind::Photo)
                m_problems.push_back({item, listItem, photo.attachment, missing});
        } else if (isReadablePicture(pictureFormatOfFile(file.path))) {
            try {
                storedPictureSize(file.path, name);
                m_photos.push_back(photo);
            } catch (const std::exception& error) {
                m_problems.push_back({item, listItem, photo.attachment,
                                      reasonOf(QString::fromUtf8(error.what()), name)});
            }
        } else if (attachment.kind == AttachmentKind::Photo) {
            m_problems.push_back({item, listItem, photo.attachment,
                                  QStringLiteral("it is not a picture Stowfolio prints (JPEG, PNG, "
                                                 "GIF or HEIC)")});
        }

        QString title = kindName(attachment.kind) + QStringLiteral(": ") + name;
        if (!attachment.caption.isEmpty())
            title += QStringLiteral(" \u2013 ") + attachment.caption;
        bool first = true;
        for (const QString& line : wrappedText(title, textFont, width)) {
            // An item's heading stays on the page of its first file.
            m_indexLines.push_back({IndexLine::Style::Text, line, first && a > 0});
            first = false;
        }
        QString facts = attachment.file.taken.isEmpty()
                            ? QStringLiteral("Added %1").arg(shownDate(attachment.added))
                            : QStringLiteral("Taken %1").arg(shownDate(attachment.file.taken));
        facts += QStringLiteral(", ") + sizeText(attachment.file.size);
        if (!attachment.file.camera.isEmpty())
            facts += QStringLiteral(", ") + attachment.file.camera;
        if (!missing.isEmpty())
            facts += QStringLiteral("; ") + missing;
        for (const QString& line : wrappedText(facts, textFont, width))
            m_indexLines.push_back({IndexLine::Style::Text, line, false});
        m_indexLines.push_back(
            {IndexLine::Style::Digest, kDigestLabel + attachment.file.sha256, false});
    }
}

// The evidence index's pages: a file's lines are never parted, nor an item's heading from its
// first file, unless they are longer than a page. The digest is set in a monospace font small
// enough for its whole line to fit the width, so that it is copied from the PDF in one piece.
void InventoryReport::planEvidenceIndex()
{
    const double width = m_plan.printable.width() - kIndexIndentInches;
    const double characters = kDigestLabel.size() + 64;
    m_digestPoints = std::min(8.0, 0.97 * width * 72 / (characters * kMonospaceAdvance));
    m_indexPageStarts.clear();
    std::size_t line = 0;
    while (line < m_indexLines.size()) {
        const int room = linesPerPage() - (m_indexPageStarts.empty() ? 2 : 0);
        m_indexPageStarts.push_back(static_cast<int>(line));
        std::size_t end = line;
        while (end < m_indexLines.size()) {
            std::size_t blockEnd = end + 1;
            while (blockEnd < m_indexLines.size() && !m_indexLines[blockEnd].startsBlock)
                ++blockEnd;
            if (static_cast<int>(blockEnd - line) <= room)
                end = blockEnd;
            else if (end == line) // a block longer than a page fills it
                end = line + static_cast<std::size_t>(room);
            else
                break;
        }
        line = end;
    }
}

const EvidenceFile* InventoryReport::evidenceFileOf(const Photo& photo) const
{
    if (photo.attachment < 0 || photo.listItem < 0)
        return nullptr;
    return &m_evidence.items[static_cast<std::size_t>(photo.listItem)]
                            [static_cast<std::size_t>(photo.attachment)];
}

QString InventoryReport::photoPath(const Photo& photo) const
{
    if (const EvidenceFile* file = evidenceFileOf(photo))
        return file->path;
    return m_inventory.items[photo.item].value(kPhotoField).trimmed();
}

const InventoryReport::Photo& InventoryReport::problemAt(std::size_t index) const
{
    return index < m_problems.size() ? m_problems[index]
                                     : m_lateProblems[index - m_problems.size()];
}

void InventoryReport::paintPhotoPage(QPainter& painter, int page, int firstPhoto) const
{
    const QRectF box = m_plan.printable;
    const double gap = 0.3;
    const double captionHeight = 5 * kLineInches;
    const double cellWidth = (box.width() - gap * (kPhotosPerPage - 1)) / kPhotosPerPage;
    const double imageHeight = box.height() - captionHeight - 0.5;
    paintPageHeading(painter, box, QStringLiteral("Photos"));
    // Decoding a camera's photo is most of the report's time: the photos of a page are decoded
    // side by side, each on a thread of its own.
    std::array<QRectF, kPhotosPerPage> cells;
    std::array<std::future<DecodedPhoto>, kPhotosPerPage> decoded;
    for (int slot = 0; slot < kPhotosPerPage; ++slot) {
        const std::size_t index = static_cast<std::size_t>(firstPhoto + slot);
        if (index >= m_photos.size())
            break;
        cells[slot] =
            QRectF(box.left() + slot * (cellWidth + gap), box.top() + 0.45, cellWidth, imageHeight);
        const QSize pixels(static_cast<int>(cells[slot].width() * kPhotoDotsPerInch),
                           static_cast<int>(cells[slot].height() * kPhotoDotsPerInch));
        const Photo& photo = m_photos[index];
        if (const EvidenceFile* file = evidenceFileOf(photo))
            decoded[slot] = std::async(std::launch::async, decodeAttachment, file->path, pixels,
                                       file->attachment.file.originalName);
        else
            decoded[slot] = std::async(std::launch::async, decodePhoto, photoPath(photo), pixels);
    }
    for (int slot = 0; slot < kPhotosPerPage; ++slot) {
        const std::size_t index = static_cast<std::size_t>(firstPhoto + slot);
        if (index >= m_photos.size())
            break;
        const Photo& photo = m_photos[index];
        const int item = photo.item;
        const QStringList fields = item >= 0 ? m_inventory.items[item] : QStringList();
        const EvidenceFile* file = evidenceFileOf(photo);
        const QRectF& cell = cells[slot];
        const DecodedPhoto decodedPhoto = decoded[slot].get();
        const QImage& image = decodedPhoto.image;
        if (!image.isNull()) {
            const QSizeF fitted = QSizeF(image.size()).scaled(cell.size(), Qt::KeepAspectRatio);
            const QRectF target(cell.left() + (cell.width() - fitted.width()) / 2, cell.top(),
                                fitted.width(), fitted.height());
            painter.drawImage(inches(painter, target), image);
        } else {
            painter.setFont(reportFont(9));
            painter.drawText(
                inches(painter, cell), Qt::AlignCenter | Qt::TextWordWrap,
                QStringLiteral("The photo could not be read (%1)").arg(decodedPhoto.error));
            Photo problem = photo;
            problem.problem = file
                                  ? reasonOf(decodedPhoto.error, file->attachment.file.originalName)
                                  : QStringLiteral("it is not a picture that can be read (%1)")
                                        .arg(decodedPhoto.error);
            m_lateProblems.push_back(problem);
        }
        painter.setFont(reportFont(9));
        QStringList caption;
        if (file) {
            const Attachment& attachment = file->attachment;
            caption = {QStringLiteral("Item %1, sheet row %2")
                           .arg(photo.listItem + 1)
                           .arg(kFirstItemRow + photo.listItem),
                       QStringLiteral("Location: ") + fields.value(kLocationField),
                       QStringLiteral("Description: ") + fields.value(kDescriptionField),
                       kindName(attachment.kind) + QStringLiteral(": ") +
                           (attachment.caption.isEmpty() ? attachment.file.originalName
                                                         : attachment.caption),
                       QStringLiteral("File: ") + attachment.file.originalName};
        } else {
            caption = {
                QStringLiteral("Item %1, sheet row %2").arg(item + 1).arg(kFirstItemRow + item),
                QStringLiteral("Location: ") + fields.value(kLocationField),
                QStringLiteral("Description: ") + fields.value(kDescriptionField),
                QStringLiteral("Serial #: ") + fields.value(kSerialField),
                QStringLiteral("Estimated value: ") + (estimatedValueOf(item)
                                                           ? moneyText(*estimatedValueOf(item))
                                                           : fields.value(kEstimatedValueField))};
        }
        double y = cell.bottom() + 0.1;
        for (const QString& line : caption) {
            painter.drawText(inches(painter, QRectF(cell.left(), y, cell.width(), kLineInches)),
                             Qt::AlignLeft | Qt::AlignVCenter, line);
            y += kLineInches;
        }
    }
    paintPageNumber(painter, page);
}

void InventoryReport::paintIndexPage(QPainter& painter, int page, int indexPage) const
{
    const QRectF box = m_plan.printable;
    double y = box.top();
    if (indexPage == 0) {
        paintPageHeading(painter, box, QStringLiteral("Evidence index"));
        y += 2 * kLineInches;
    }
    const std::size_t first = static_cast<std::size_t>(m_indexPageStarts[indexPage]);
    const std::size_t end = static_cast<std::size_t>(indexPage) + 1 < m_indexPageStarts.size()
                                ? static_cast<std::size_t>(m_indexPageStarts[indexPage + 1])
                                : m_indexLines.size();
    for (std::size_t i = first; i < end; ++i) {
        const IndexLine& line = m_indexLines[i];
        double left = box.left() + kIndexIndentInches;
        switch (line.style) {
        case IndexLine::Style::Gap:
            // A page starts with an item's heading, not the gap above it.
            if (i == first)
                continue;
            break;
        case IndexLine::Style::Item:
            painter.setFont(reportFont(kIndexPoints + 1, true));
            left = box.left();
            break;
        case IndexLine::Style::Text:
            painter.setFont(reportFont(kIndexPoints));
            break;
        case IndexLine::Style::Digest:
            painter.setFont(digestFont(m_digestPoints));
            break;
        }
        if (line.style != IndexLine::Style::Gap)
            painter.drawText(inches(painter, QRectF(left, y, box.right() - left, kLineInches)),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, line.text);
        y += kLineInches;
    }
    paintPageNumber(painter, page);
}

void InventoryReport::paintProblemPage(QPainter& painter, int page, int firstProblem) const
{
    const QRectF box = m_plan.printable;
    double y = box.top();
    if (firstProblem == 0) {
        paintPageHeading(painter, box, QStringLiteral("Photos that could not be included"));
        y += 2 * kLineInches;
    }
    painter.setFont(reportFont(9));
    const int count = linesPerPage() - (firstProblem == 0 ? 2 : 0);
    for (int i = firstProblem; i < firstProblem + count && i < int(problemCount()); ++i) {
        const Photo& photo = problemAt(static_cast<std::size_t>(i));
        const QStringList fields = photo.item >= 0 ? m_inventory.items[photo.item] : QStringList();
        QString text;
        if (const EvidenceFile* file = evidenceFileOf(photo))
            text = QStringLiteral("Item %1 (%2, %3): %4 %5: %6")
                       .arg(photo.listItem + 1)
                       .arg(fields.value(kLocationField), fields.value(kDescriptionField),
                            kindName(file->attachment.kind), file->attachment.file.originalName,
                            photo.problem);
        else
            text = QStringLiteral("Item %1 (%2, %3): %4: %5")
                       .arg(photo.item + 1)
                       .arg(fields.value(kLocationField), fields.value(kDescriptionField),
                            fields.value(kPhotoField), photo.problem);
        painter.drawText(inches(painter, QRectF(box.left(), y, box.width(), kLineInches)),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        y += kLineInches;
    }
    paintPageNumber(painter, page);
}

} // namespace stowfolio::report
