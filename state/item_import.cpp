#include "state/item_import.h"

#include "state/item_fields.h"

#include "state/csv_text.h"
#include "state/imported_values.h"
#include "state/item_list_codec.h"
#include "state/item_values.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace stowfolio {

const QStringList kItemColumnCaptions = [] {
    QStringList captions;
    for (const ItemFieldInfo& field : kItemFields)
        captions << fieldText(field.caption);
    return captions;
}();

namespace {

constexpr qint64 kChunkBytes = 1 << 20;
// More columns than any inventory export has; the rest of such a line is left out.
constexpr qsizetype kMaxColumns = 1024;
constexpr int kFieldCount = kItemFieldCount;

// How a column's value goes into its field.
enum class Contribution
{
    Text,          // as it is
    LifetimeFlag,  // "true" becomes "Lifetime"
    WarrantyUntil, // a date becomes "until <date>"
    NonZeroAmount, // Homebox writes 0 for a price never entered
};

struct ColumnTarget
{
    int field = -1;
    Contribution contribution = Contribution::Text;
};

// Header names, lower case, and the field each one fills. Homebox's export names its columns
// "HB.<name>"; several of them share a field (manufacturer and model number make the model).
const QHash<QString, ColumnTarget>& knownColumns()
{
    static const QHash<QString, ColumnTarget> columns = [] {
        QHash<QString, ColumnTarget> map;
        const auto add = [&map](int field, std::initializer_list<const char*> names,
                                Contribution contribution = Contribution::Text) {
            for (const char* name : names)
                map.insert(QString::fromUtf8(name), {field, contribution});
        };
        add(0, {"location", "item location", "room", "place", "hb.location"});
        add(1, {"description", "item", "name", "item name", "title", "hb.name"});
        add(2, {"date", "purchase date", "date purchased", "purchased", "purchase time",
                "hb.purchase_time", "hb.purchase_date"});
        add(3, {"where", "purchase location", "purchased from", "where purchased", "store", "shop",
                "vendor", "seller", "hb.purchase_from"});
        add(4, {"warranty", "warranty details", "hb.warranty_details"});
        add(4, {"hb.lifetime_warranty", "lifetime warranty"}, Contribution::LifetimeFlag);
        add(4, {"hb.warranty_expires", "warranty expires"}, Contribution::WarrantyUntil);
        add(5, {"price", "price at purchase", "purchase price", "cost", "paid"});
        add(5, {"hb.purchase_price"}, Contribution::NonZeroAmount);
        add(6, {"condition"});
        add(7, {"est. value", "est value", "estimated value", "estimated value to date", "value",
                "replacement value", "current value"});
        add(8, {"manufacturer", "brand", "make", "hb.manufacturer", "model", "model number",
                "model #", "hb.model_number"});
        add(9,
            {"serial #", "serial", "serial number", "serial no", "serial no.", "hb.serial_number"});
        add(10, {"hb.description", "notes", "note", "comments", "comment", "hb.notes"});
        add(11, {"photo", "image", "picture", "photo path", "image path", "picture path"});
        return map;
    }();
    return columns;
}

// Homebox's columns that say what happens to an item rather than fill a field: the archived
// and the sold are not in the house any more, and a quantity above one is worth a note.
enum class ItemStatusColumn
{
    Quantity,
    Archived,
    SoldMark, // a buyer or a day of sale
    SoldPrice,
};

const QHash<QString, ItemStatusColumn>& statusColumns()
{
    static const QHash<QString, ItemStatusColumn> columns = {
        {QStringLiteral("hb.quantity"), ItemStatusColumn::Quantity},
        {QStringLiteral("hb.archived"), ItemStatusColumn::Archived},
        {QStringLiteral("hb.sold_to"), ItemStatusColumn::SoldMark},
        {QStringLiteral("hb.sold_time"), ItemStatusColumn::SoldMark},
        {QStringLiteral("hb.sold_date"), ItemStatusColumn::SoldMark},
        {QStringLiteral("hb.sold_price"), ItemStatusColumn::SoldPrice},
    };
    return columns;
}

bool isTrueFlag(const QString& value)
{
    const QString trimmed = value.trimmed();
    return trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           trimmed.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
           trimmed == QLatin1String("1");
}

// Homebox writes 0 for a price never entered and the first day of year 1 for a day never set.
bool isUnsetHomeboxValue(const QString& value)
{
    const QString trimmed = value.trimmed();
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    return trimmed.isEmpty() || (isNumber && number == 0) ||
           trimmed.startsWith(QLatin1String("0001-01-01"));
}

QString normalisedHeader(const QString& header)
{
    QString name = header.simplified().toLower();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.isSpace(); });
}

QString contributionText(const QString& value, Contribution contribution,
                         const InventoryConventions& conventions)
{
    if (contribution == Contribution::Text)
        return value;
    const QString trimmed = value.trimmed();
    switch (contribution) {
    case Contribution::Text:
        return value;
    case Contribution::LifetimeFlag:
        return isTrueFlag(trimmed) ? QStringLiteral("Lifetime") : QString();
    case Contribution::WarrantyUntil:
        if (trimmed.isEmpty())
            return {};
        if (const auto date = dateOfIsoTime(trimmed))
            return QStringLiteral("until ") + dateText(*date, conventions);
        return QStringLiteral("until ") + trimmed;
    case Contribution::NonZeroAmount:
        return trimmed == QLatin1String("0") || trimmed == QLatin1String("0.00") ? QString()
                                                                                 : value;
    }
    return value;
}

// Windows-1252: Latin-1 but for 0x80..0x9F, where it keeps typographic characters.
QString fromWindows1252(QByteArrayView bytes)
{
    static const char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

enum class Encoding
{
    Utf8,
    Utf16LittleEndian,
    Utf16BigEndian,
    Windows1252
};

// A record that holds nothing but spaces in its first `columns` fields (all of them for -1).
bool isEmptyRecord(const QStringList& record, qsizetype columns = -1)
{
    const qsizetype count = columns < 0 ? record.size() : std::min(record.size(), columns);
    for (qsizetype c = 0; c < count; ++c)
        if (!isBlank(record[c]))
            return false;
    return true;
}

// Reads the input a chunk at a time, decoded as `encoding`, into CSV records; false when the
// bytes are not valid in that encoding or the user cancelled.
struct ReadOutcome
{
    bool decoded = true;
    bool cancelled = false;
    bool openQuote = false;
    bool full = false;                   // more records than were wanted
    std::vector<std::size_t> cutRecords; // records that lost text to the reader's limits
};

// Counts the records that hold anything (the header and the items) as they come, so that empty
// lines, however many, never make a file look full; those holding nothing at all keep no memory.
class FilledRecords
{
public:
    qsizetype count(std::vector<QStringList>& records)
    {
        for (; m_seen < records.size(); ++m_seen) {
            QStringList& record = records[m_seen];
            if (isEmptyRecord(record, m_columns)) {
                // Values past the header's columns are reported as left out: kept.
                if (m_columns < 0 || record.size() <= m_columns)
                    record = QStringList();
                continue;
            }
            if (m_columns < 0)
                m_columns = record.size();
            ++m_filled;
        }
        return m_filled;
    }

private:
    std::size_t m_seen = 0;
    qsizetype m_filled = 0;
    qsizetype m_columns = -1; // the header's, once it has come
};

ReadOutcome readRecords(QIODevice& input, Encoding encoding, qsizetype maxRecords,
                        const ImportProgress& progress, std::vector<QStringList>& records)
{
    ReadOutcome outcome;
    input.seek(0);
    QStringDecoder decoder(encoding == Encoding::Utf16LittleEndian ? QStringDecoder::Utf16LE
                           : encoding == Encoding::Utf16BigEndian  ? QStringDecoder::Utf16BE
                                                                   : QStringDecoder::Utf8);
    CsvReader reader(QLatin1Char(','), kMaxFieldLength, kMaxColumns);
    bool delimiterKnown = false;
    FilledRecords filled;
    bool first = true;
    while (!input.atEnd()) {
        QByteArray chunk = input.read(kChunkBytes);
        if (first &&
            (encoding == Encoding::Utf16LittleEndian || encoding == Encoding::Utf16BigEndian))
            chunk.remove(0, 2); // UTF-16 is read only after its byte-order mark
        else if (first && chunk.startsWith("\xEF\xBB\xBF"))
            chunk.remove(0, 3);
        first = false;
        const QString text = encoding == Encoding::Windows1252 ? fromWindows1252(chunk)
                                                               : QString(decoder.decode(chunk));
        if (decoder.hasError()) {
            outcome.decoded = false;
            return outcome;
        }
        // The delimiter is told by the first line that holds anything, however far down.
        if (!delimiterKnown && holdsMoreThanSpaces(text)) {
            reader.setDelimiter(detectDelimiter(text));
            delimiterKnown = true;
        }
        reader.feed(text, records);
        if (filled.count(records) > maxRecords && !input.atEnd()) {
            outcome.full = true;
            return outcome;
        }
        if (progress && !progress(input.pos(), input.size())) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    outcome.openQuote = reader.finish(records);
    outcome.cutRecords = reader.cutRecords();
    return outcome;
}

// The paths of an "Attachments" value, as they are written: ";"-separated, spaces around a
// part dropped, empty parts left out.
QStringList attachmentParts(const QString& value)
{
    QStringList parts;
    for (const QStringView part : QStringView(value).split(QLatin1Char(';'))) {
        const QStringView trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            parts << trimmed.toString();
    }
    return parts;
}

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// What an imported text's separator characters become: the nearest characters the list can keep.
constexpr QChar kRowSeparatorStandIn = u'/';
constexpr QChar kFieldSeparatorStandIn = u'\'';

} // namespace

QString withoutSeparators(QString text, int& replaced)
{
    // Most texts hold neither; looking first keeps them shared instead of copied.
    if (!text.contains(QChar(kRowSeparator)) && !text.contains(QChar(kFieldSeparator)))
        return text;
    for (QChar& ch : text) {
        if (ch == kRowSeparator) {
            ch = kRowSeparatorStandIn;
            ++replaced;
        } else if (ch == kFieldSeparator) {
            ch = kFieldSeparatorStandIn;
            ++replaced;
        }
    }
    return text;
}

ItemImport itemsFromRecords(const std::vector<QStringList>& records,
                            const InventoryConventions& conventions)
{
    ItemImport result;
    // The header is the first record that holds anything; the empty lines above it are not
    // rows of the list.
    std::size_t headerIndex = 0;
    while (headerIndex < records.size() && isEmptyRecord(records[headerIndex]))
        ++headerIndex;
    if (headerIndex == records.size()) {
        result.problem = QStringLiteral("it holds nothing but empty lines.");
        return result;
    }
    const QStringList& header = records[headerIndex];
    std::vector<ColumnTarget> targets;
    std::vector<std::pair<ItemStatusColumn, qsizetype>> statusSources;
    QString quantityCaption;
    bool anyKnown = false;
    const QString attachmentsHeader = normalisedHeader(QString::fromLatin1(kAttachmentsColumn));
    qsizetype attachmentsSource = -1;
    for (const QString& name : header) {
        if (attachmentsSource < 0 && normalisedHeader(name) == attachmentsHeader) {
            attachmentsSource = static_cast<qsizetype>(targets.size());
            targets.push_back(ColumnTarget{});
            continue;
        }
        const ColumnTarget target = knownColumns().value(normalisedHeader(name));
        const auto status = statusColumns().constFind(normalisedHeader(name));
        if (status != statusColumns().cend()) {
            statusSources.emplace_back(*status, static_cast<qsizetype>(targets.size()));
            if (*status == ItemStatusColumn::Quantity)
                quantityCaption = name.trimmed();
        }
        targets.push_back(target);
        anyKnown = anyKnown || target.field >= 0;
        // The archived and sold columns decide which items are added: they are not left out.
        const bool decides =
            status != statusColumns().cend() && *status != ItemStatusColumn::Quantity;
        if (target.field < 0 && !decides && !name.trimmed().isEmpty())
            result.ignoredColumns << name.trimmed();
    }
    if (!anyKnown) {
        result.problem = QStringLiteral("none of its columns is one Stowfolio knows (its first "
                                        "row is \"%1\"). Name the columns %2 and try again.")
                             .arg(header.join(QLatin1String(", ")).left(200),
                                  kItemColumnCaptions.join(QLatin1String(", ")));
        return result;
    }
    // The columns that fill each field, in file order.
    std::array<std::vector<qsizetype>, kFieldCount> sources;
    for (std::size_t c = 0; c < targets.size(); ++c)
        if (targets[c].field >= 0)
            sources[static_cast<std::size_t>(targets[c].field)].push_back(
                static_cast<qsizetype>(c));
    result.items.reserve(static_cast<qsizetype>(records.size()));
    QList<int> raggedRows;
    for (std::size_t r = headerIndex + 1; r < records.size(); ++r) {
        const QStringList& record = records[r];
        const int rowNumber = static_cast<int>(r) + 1;
        if (record.size() > header.size())
            raggedRows << rowNumber;
        bool empty = true;
        for (qsizetype c = 0; c < std::min(record.size(), header.size()) && empty; ++c)
            empty = isBlank(record[c]);
        if (empty) {
            result.skippedRows << QStringLiteral("row %1: it is empty").arg(rowNumber);
            continue;
        }
        bool archived = false;
        bool sold = false;
        int quantity = 1;
        for (const auto& [status, c] : statusSources) {
            const QString value = record.value(c);
            switch (status) {
            case ItemStatusColumn::Quantity:
                quantity = std::max(quantity, value.trimmed().toInt());
                break;
            case ItemStatusColumn::Archived:
                archived = archived || isTrueFlag(value);
                break;
            case ItemStatusColumn::SoldMark:
            case ItemStatusColumn::SoldPrice:
                sold = sold || !isUnsetHomeboxValue(value);
                break;
            }
        }
        QStringList item;
        item.reserve(kFieldCount);
        for (int field = 0; field < kFieldCount; ++field) {
            QString text;
            for (const qsizetype c : sources[static_cast<std::size_t>(field)]) {
                if (c >= record.size())
                    continue;
                const QString part = contributionText(
                    record[c], targets[static_cast<std::size_t>(c)].contribution, conventions);
                if (part.isEmpty())
                    continue;
                // A manufacturer and a model number read as one model ("Zooz ZEN17").
                if (!text.isEmpty())
                    text += field == kModelField ? QStringLiteral(" ") : QStringLiteral("; ");
                text += part;
            }
            // Until an item has a quantity of its own, its notes keep it.
            if (field == kNotesField && quantity > 1 && !archived && !sold)
                text += (text.isEmpty() ? QString() : QStringLiteral("; ")) +
                        QStringLiteral("Quantity: %1").arg(quantity);
            // Columns joined into one field can outgrow a cell together.
            if (text.size() > kMaxFieldLength) {
                text.truncate(kMaxFieldLength);
                if (result.cutRows.isEmpty() || result.cutRows.back() != rowNumber)
                    result.cutRows << rowNumber;
            }
            item << withoutSeparators(std::move(text), result.replacedSeparators);
        }
        if (archived || sold) {
            result.leftOutItems << QStringLiteral("row %1 \"%2\" (%3)")
                                       .arg(QString::number(rowNumber),
                                            item[kDescriptionField].left(60),
                                            archived ? QStringLiteral("archived")
                                                     : QStringLiteral("sold"));
            continue;
        }
        if (quantity > 1)
            ++result.quantitiesInNotes;
        result.items << item;
        result.fileRows << rowNumber;
        if (attachmentsSource >= 0)
            result.attachments << attachmentParts(record.value(attachmentsSource));
    }
    if (!raggedRows.isEmpty()) {
        QStringList numbers;
        for (int row : raggedRows.mid(0, 10))
            numbers << QString::number(row);
        result.ignoredColumns << QStringLiteral("values past the last named column (row %1%2)")
                                     .arg(numbers.join(QLatin1String(", ")),
                                          raggedRows.size() > 10 ? QStringLiteral(", …")
                                                                 : QString());
    }
    // A quantity column is left out only when no quantity from it was kept.
    if (result.quantitiesInNotes > 0)
        result.ignoredColumns.removeOne(quantityCaption);
    if (result.items.isEmpty())
        result.problem = QStringLiteral("it holds no items below its header row.");
    else
        result.valueNotes = readImportedValues(result.items, conventions).lines;
    return result;
}

qsizetype attachmentCount(const ItemImport& imported)
{
    qsizetype count = 0;
    for (const QStringList& files : imported.attachments)
        count += files.size();
    return count;
}

QStringList importDetails(const ItemImport& imported)
{
    QStringList lines;
    if (!imported.ignoredColumns.isEmpty())
        lines << QStringLiteral("Left out: %1.")
                     .arg(imported.ignoredColumns.join(QLatin1String(", ")));
    if (!imported.skippedRows.isEmpty()) {
        constexpr int kShown = 10;
        QString skipped = imported.skippedRows.mid(0, kShown).join(QLatin1String("; "));
        if (imported.skippedRows.size() > kShown)
            skipped += QStringLiteral("; and %1 more").arg(imported.skippedRows.size() - kShown);
        lines << QStringLiteral("Skipped: %1.").arg(skipped);
    }
    if (!imported.leftOutItems.isEmpty()) {
        constexpr int kShown = 10;
        QString items = imported.leftOutItems.mid(0, kShown).join(QLatin1String("; "));
        if (imported.leftOutItems.size() > kShown)
            items += QStringLiteral("; and %1 more").arg(imported.leftOutItems.size() - kShown);
        lines << QStringLiteral("%1 archived or sold %2 not added: %3.")
                     .arg(QString::number(imported.leftOutItems.size()),
                          imported.leftOutItems.size() == 1 ? QStringLiteral("item is")
                                                            : QStringLiteral("items are"),
                          items);
    }
    if (imported.quantitiesInNotes > 0)
        lines << QStringLiteral("%1 %2 a quantity above 1, kept in the notes as "
                                "\"Quantity: <number>\".")
                     .arg(QString::number(imported.quantitiesInNotes),
                          imported.quantitiesInNotes == 1 ? QStringLiteral("item has")
                                                          : QStringLiteral("items have"));
    if (!imported.cutRows.isEmpty()) {
        constexpr int kShown = 10;
        QStringList numbers;
        for (const int row : imported.cutRows.mid(0, kShown))
            numbers << QString::number(row);
        lines << QStringLiteral("Cut to %L1 characters, what a sheet cell holds: a value in row "
                                "%2%3.")
                     .arg(kMaxFieldLength)
                     .arg(numbers.join(QLatin1String(", ")),
                          imported.cutRows.size() > kShown
                              ? QStringLiteral(" and %L1 more rows")
                                    .arg(imported.cutRows.size() - kShown)
                              : QString());
    }
    if (imported.replacedSeparators > 0)
        lines << QStringLiteral("%1 \"%2\" or \"%3\" characters, which the list cannot keep, "
                                "were replaced by \"%4\" and \"%5\".")
                     .arg(QString::number(imported.replacedSeparators), QString(kRowSeparator),
                          QString(kFieldSeparator), QString(kRowSeparatorStandIn),
                          QString(kFieldSeparatorStandIn));
    lines << imported.valueNotes;
    return lines;
}

QString tooManyToImportMessage(const QString& path, int found, bool more, int room)
{
    const QLocale locale;
    return QStringLiteral("%1 holds %2%3 items, but the list has room for only %4 more: an Excel "
                          "97-2003 sheet holds at most %5 items. Nothing was added.")
        .arg(fileName(path), more ? QStringLiteral("more than ") : QString(),
             locale.toString(found), locale.toString(room), locale.toString(kMaxInventoryItems));
}

ItemImport importCsvSource(const ImportSource& source, int room,
                           const InventoryConventions& conventions, const ImportProgress& progress)
{
    ItemImport result;
    const auto fail = [&](QString why) {
        result = ItemImport{};
        result.problem = QStringLiteral("%1 cannot be imported: %2").arg(source.name, why);
        return result;
    };
    if (!source.problem.isEmpty()) {
        result.problem = source.problem;
        return result;
    }
    QFile file(source.path);
    QBuffer buffer;
    QIODevice* input = &file;
    if (source.inMemory) {
        buffer.setData(source.bytes);
        input = &buffer;
    }
    if (!input->open(QIODevice::ReadOnly))
        return fail(input->errorString() + QLatin1Char('.'));
    const QByteArray start = input->peek(4096);
    if (start.isEmpty())
        return fail(QStringLiteral("it is empty."));
    // UTF-16 is told by its byte-order mark alone: every text a spreadsheet saves as "Unicode
    // text" has one. Without it, a zero byte means no text at all.
    Encoding encoding = Encoding::Utf8;
    if (start.startsWith("\xFF\xFE"))
        encoding = Encoding::Utf16LittleEndian;
    else if (start.startsWith("\xFE\xFF"))
        encoding = Encoding::Utf16BigEndian;
    else if (start.contains('\0'))
        return fail(QStringLiteral("it is not a text file."));

    // One record more than fits (and the header) is enough to know the import cannot fit.
    const qsizetype maxRecords = static_cast<qsizetype>(room) + 2;
    std::vector<QStringList> records;
    ReadOutcome outcome = readRecords(*input, encoding, maxRecords, progress, records);
    if (!outcome.decoded && encoding != Encoding::Utf8)
        return fail(QStringLiteral("it starts as UTF-16 text but is not valid UTF-16."));
    if (!outcome.decoded) {
        records.clear();
        outcome = readRecords(*input, Encoding::Windows1252, maxRecords, progress, records);
    }
    if (outcome.cancelled)
        return fail(QStringLiteral("reading it was cancelled."));
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString() + QLatin1Char('.'));
    result = itemsFromRecords(records, conventions);
    if (!result.problem.isEmpty())
        return fail(result.problem);
    for (const std::size_t record : outcome.cutRecords)
        result.cutRows << static_cast<int>(record) + 1;
    std::sort(result.cutRows.begin(), result.cutRows.end());
    result.cutRows.erase(std::unique(result.cutRows.begin(), result.cutRows.end()),
                         result.cutRows.end());
    // Relative paths are the file's neighbours; standard input has no folder but the current.
    if (!result.attachments.isEmpty()) {
        const QDir base(source.path == QLatin1String("-") ? QDir::currentPath()
                                                          : QFileInfo(source.path).absolutePath());
        for (QStringList& files : result.attachments)
            for (QString& file : files)
                file = QDir::cleanPath(base.absoluteFilePath(file));
    }
    if (outcome.openQuote)
        result.skippedRows << QStringLiteral("a quoted value is never closed; the last item "
                                             "holds the rest of the file");
    if (outcome.full || result.items.size() > room) {
        const int found = static_cast<int>(result.items.size());
        result = ItemImport{};
        result.problem = tooManyToImportMessage(source.name, found, outcome.full, room);
    }
    return result;
}

ItemImport importCsvFile(const QString& path, int room, const InventoryConventions& conventions,
                         const ImportProgress& progress)
{
    return importCsvSource(openImportSource(path), room, conventions, progress);
}

QByteArray itemsAsCsv(const std::vector<Item>& items)
{
    QString text = csvRecord(kItemColumnCaptions);
    for (const Item& item : items)
        text += csvRecord(textsOf(item));
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace stowfolio
