#include "state/item_import.h"

#include "state/item_fields.h"

#include "state/csv_text.h"
#include "state/item_list_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

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

QString contributionText(const QString& value, Contribution contribution)
{
    if (contribution == Contribution::Text)
        return value;
    const QString trimmed = value.trimmed();
    switch (contribution) {
    case Contribution::Text:
        return value;
    case Contribution::LifetimeFlag:
        return trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                       trimmed.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
                       trimmed == QLatin1String("1")
                   ? QStringLiteral("Lifetime")
                   : QString();
    case Contribution::WarrantyUntil:
        return trimmed.isEmpty() ? QString() : QStringLiteral("until ") + trimmed;
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
    Windows1252
};

// Reads the file a chunk at a time, decoded as `encoding`, into CSV records; false when the
// bytes are not valid in that encoding or the user cancelled.
struct ReadOutcome
{
    bool decoded = true;
    bool cancelled = false;
    bool openQuote = false;
    bool full = false;                   // more records than were wanted
    std::vector<std::size_t> cutRecords; // records that lost text to the reader's limits
};

ReadOutcome readRecords(QFile& file, Encoding encoding, qsizetype maxRecords,
                        const ImportProgress& progress, std::vector<QStringList>& records)
{
    ReadOutcome outcome;
    file.seek(0);
    QStringDecoder utf8(QStringDecoder::Utf8);
    std::optional<CsvReader> reader;
    bool first = true;
    while (!file.atEnd()) {
        QByteArray chunk = file.read(kChunkBytes);
        if (first && chunk.startsWith("\xEF\xBB\xBF"))
            chunk.remove(0, 3);
        QString text =
            encoding == Encoding::Utf8 ? QString(utf8.decode(chunk)) : fromWindows1252(chunk);
        if (encoding == Encoding::Utf8 && utf8.hasError()) {
            outcome.decoded = false;
            return outcome;
        }
        if (first)
            reader.emplace(detectDelimiter(text), kMaxFieldLength, kMaxColumns);
        first = false;
        reader->feed(text, records);
        if (static_cast<qsizetype>(records.size()) > maxRecords && !file.atEnd()) {
            outcome.full = true;
            return outcome;
        }
        if (progress && !progress(file.pos(), file.size())) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    if (reader) {
        outcome.openQuote = reader->finish(records);
        outcome.cutRecords = reader->cutRecords();
    }
    return outcome;
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

ItemImport itemsFromRecords(const std::vector<QStringList>& records)
{
    ItemImport result;
    if (records.empty())
        return result;
    const QStringList& header = records.front();
    std::vector<ColumnTarget> targets;
    bool anyKnown = false;
    for (const QString& name : header) {
        const ColumnTarget target = knownColumns().value(normalisedHeader(name));
        targets.push_back(target);
        anyKnown = anyKnown || target.field >= 0;
        if (target.field < 0 && !name.trimmed().isEmpty())
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
    for (std::size_t r = 1; r < records.size(); ++r) {
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
        QStringList item;
        item.reserve(kFieldCount);
        for (int field = 0; field < kFieldCount; ++field) {
            QString text;
            for (const qsizetype c : sources[static_cast<std::size_t>(field)]) {
                if (c >= record.size())
                    continue;
                const QString part =
                    contributionText(record[c], targets[static_cast<std::size_t>(c)].contribution);
                if (part.isEmpty())
                    continue;
                // A manufacturer and a model number read as one model ("Zooz ZEN17").
                if (!text.isEmpty())
                    text += field == kModelField ? QStringLiteral(" ") : QStringLiteral("; ");
                text += part;
            }
            // Columns joined into one field can outgrow a cell together.
            if (text.size() > kMaxFieldLength) {
                text.truncate(kMaxFieldLength);
                if (result.cutRows.isEmpty() || result.cutRows.back() != rowNumber)
                    result.cutRows << rowNumber;
            }
            item << withoutSeparators(std::move(text), result.replacedSeparators);
        }
        result.items << item;
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
    if (result.items.isEmpty())
        result.problem = QStringLiteral("it holds no items below its header row.");
    return result;
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

ItemImport importCsvFile(const QString& path, int room, const ImportProgress& progress)
{
    ItemImport result;
    const auto fail = [&](QString why) {
        result = ItemImport{};
        result.problem = QStringLiteral("%1 cannot be imported: %2").arg(fileName(path), why);
        return result;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString() + QLatin1Char('.'));
    const QByteArray start = file.peek(4096);
    if (start.isEmpty())
        return fail(QStringLiteral("it is empty."));
    if (start.contains('\0'))
        return fail(QStringLiteral("it is not a text file."));

    // One record more than fits (and the header) is enough to know the import cannot fit.
    const qsizetype maxRecords = static_cast<qsizetype>(room) + 2;
    std::vector<QStringList> records;
    ReadOutcome outcome = readRecords(file, Encoding::Utf8, maxRecords, progress, records);
    if (!outcome.decoded) {
        records.clear();
        outcome = readRecords(file, Encoding::Windows1252, maxRecords, progress, records);
    }
    if (outcome.cancelled)
        return fail(QStringLiteral("reading it was cancelled."));
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString() + QLatin1Char('.'));
    result = itemsFromRecords(records);
    if (!result.problem.isEmpty())
        return fail(result.problem);
    for (const std::size_t record : outcome.cutRecords)
        result.cutRows << static_cast<int>(record) + 1;
    std::sort(result.cutRows.begin(), result.cutRows.end());
    result.cutRows.erase(std::unique(result.cutRows.begin(), result.cutRows.end()),
                         result.cutRows.end());
    if (outcome.openQuote)
        result.skippedRows << QStringLiteral("a quoted value is never closed; the last item "
                                             "holds the rest of the file");
    if (outcome.full || result.items.size() > room) {
        const int found = static_cast<int>(result.items.size());
        result = ItemImport{};
        result.problem = tooManyToImportMessage(path, found, outcome.full, room);
    }
    return result;
}

QByteArray itemsAsCsv(const std::vector<Item>& items)
{
    QString text = csvRecord(kItemColumnCaptions);
    for (const Item& item : items)
        text += csvRecord(textsOf(item));
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace stowfolio
