#include "state/inventory_opening.h"

#include "state/item_list_codec.h"
#include "state/settings_store.h"

#include <QCryptographicHash>

namespace stowfolio {

namespace {

const QString kSettingsDigestKey = QStringLiteral("settingsItemsDigest");

QString digestOf(const QString& itemsText)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(
            QByteArrayView(reinterpret_cast<const char*>(itemsText.utf16()), itemsText.size() * 2),
            QCryptographicHash::Sha256)
            .toHex());
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
    } else if (*digest != digestOf(itemsText)) {
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
    store.setMeta(kSettingsDigestKey, digestOf(itemsText));
}

} // namespace stowfolio
