#include "state/inventory_opening.h"

#include "state/item_list_codec.h"
#include "state/settings_store.h"

#include <QLocale>

#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>

namespace stowfolio {

const QString kConventionsKey = QStringLiteral("conventions");

namespace {

const QString kSettingsDigestKey = QStringLiteral("settingsItemsDigest");

// A fingerprint of the "Items" text, read at every start: it only tells our own text from one
// another program wrote, so it needs to be quick at millions of characters, not secret. Eight
// bytes at a time through a multiply-rotate round, then the length and a final mix; "f64:" tells
// it from the SHA-256 digests stored before, which simply count as different once (the lists
// are then compared whole and the new fingerprint recorded).
QString fingerprintOf(const QString& itemsText)
{
    constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
    constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
    const auto* bytes = reinterpret_cast<const unsigned char*>(itemsText.utf16());
    const std::size_t size = static_cast<std::size_t>(itemsText.size()) * 2;
    std::uint64_t hash = kPrime1 ^ size;
    std::size_t at = 0;
    const auto mix = [&](std::uint64_t word) {
        hash ^= std::rotl(word * kPrime2, 31) * kPrime1;
        hash = std::rotl(hash, 27) * kPrime1 + kPrime2;
    };
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        mix(word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes + at, size - at);
    mix(tail);
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    return QStringLiteral("f64:%1:%2").arg(size).arg(hash, 16, 16, QLatin1Char('0'));
}

} // namespace

SettingsListCheck checkSettingsList(InventoryStore& store, const SettingsStore& settings)
{
    SettingsListCheck check;
    const QString itemsText = settings.read(kItemsKey, QString());
    const std::optional<QString> digest = store.meta(kSettingsDigestKey);
    if (!digest) {
        // A database that never took in the settings list: the first start with one.
        if (store.itemCount() == 0)
            check.repairs = takeSettingsList(store, settings);
        else
            recordSettingsList(store, itemsText);
    } else if (*digest != fingerprintOf(itemsText)) {
        // The same list under a digest that was never recorded (a crash between writing the
        // file and remembering it) is ours all the same: nothing to ask.
        if (encodedItems(store.items()) == itemsText) {
            recordSettingsList(store, itemsText);
            return check;
        }
        check.settingsListDiffers = true;
        check.settingsItemCount = static_cast<qsizetype>(
            decodeItemList(itemsText.toStdU16String(), kItemFieldCount).rows.size());
        check.inventoryItemCount = static_cast<qsizetype>(store.itemCount());
    }
    return check;
}

QString takeSettingsList(InventoryStore& store, const SettingsStore& settings)
{
    const QString itemsText = settings.read(kItemsKey, QString());
    const DecodedItemList decoded = decodeItemList(itemsText.toStdU16String(), kItemFieldCount);
    std::vector<ItemFields> rows;
    rows.reserve(decoded.rows.size());
    for (const ItemRow& row : decoded.rows) {
        ItemFields fields;
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i] = QString::fromStdU16String(row[i]);
        rows.push_back(std::move(fields));
    }
    // Fields past the last column have no place of their own: they join the item's Notes, so
    // nothing is lost, and the user hears of it once for all such items.
    std::size_t repairedItems = 0;
    std::size_t lastRow = SIZE_MAX;
    std::size_t cutFields = 0;
    for (const DroppedField& dropped : decoded.dropped) {
        QString& notes = rows[dropped.row][kNotesField];
        const QString extra = QString::fromStdU16String(dropped.text);
        if (dropped.row != lastRow) {
            ++repairedItems;
            lastRow = dropped.row;
        }
        if (extra.isEmpty())
            continue;
        QString joined = notes.isEmpty() ? extra : notes + QLatin1Char(' ') + extra;
        if (joined.size() > kMaxFieldLength) {
            joined.truncate(kMaxFieldLength);
            ++cutFields;
        }
        notes = joined;
    }
    // A field longer than a sheet cell holds is cut to what the cell holds.
    for (ItemFields& fields : rows)
        for (QString& field : fields)
            if (field.size() > kMaxFieldLength) {
                field.truncate(kMaxFieldLength);
                ++cutFields;
            }
    store.replaceAll(rows);
    recordSettingsList(store, itemsText);

    QString repairs;
    if (repairedItems > 0)
        repairs += QStringLiteral("%L1 stored items had more than %2 fields; their extra texts "
                                  "were added to their Notes.")
                       .arg(repairedItems)
                       .arg(kItemFieldCount);
    if (cutFields > 0)
        repairs += (repairs.isEmpty() ? QString() : QStringLiteral(" ")) +
                   QStringLiteral("%L1 fields were longer than a sheet cell holds (%L2 "
                                  "characters) and were cut to that length.")
                       .arg(cutFields)
                       .arg(kMaxFieldLength);
    return repairs;
}

InventoryConventions inventoryConventions(InventoryStore& store, const QLocale& userLocale)
{
    if (const std::optional<QString> stored = store.meta(kConventionsKey))
        if (const auto conventions = decodedConventions(*stored))
            return *conventions;
    const InventoryConventions conventions = conventionsOfLocale(userLocale);
    try {
        store.setMeta(kConventionsKey, encodedConventions(conventions));
    } catch (const std::exception&) {
        // A database that takes no writes (a read-only file, a full disk) still reads: the
        // user's locale serves until they can be recorded, as it did before they were.
    }
    return conventions;
}

QString encodedItems(const std::vector<Item>& items)
{
    QString stored;
    appendItemList(stored, items.size(), [&](QString& out, std::size_t row) {
        const ItemFields& fields = items[row].fields;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += QChar(kFieldSeparator);
            out += fields[i];
        }
    });
    return stored;
}

void recordSettingsList(InventoryStore& store, const QString& itemsText)
{
    store.setMeta(kSettingsDigestKey, fingerprintOf(itemsText));
}

} // namespace stowfolio
