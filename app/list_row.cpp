#include "app/list_row.h"

#include "state/item_list_codec.h"
#include "state/item_values.h"

namespace stowfolio {

namespace {

constexpr int kEstimatedValueField = 7;

QStringList toStringList(const std::vector<std::u16string>& fields)
{
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(fields.size()));
    for (const std::u16string& field : fields)
        texts << QString::fromStdU16String(field);
    return texts;
}

} // namespace

ListRow::ListRow(const QStringList& fields) : QTreeWidgetItem(fields, kType)
{
    setFlags(flags() | Qt::ItemIsEditable);
}

ListRow::ListRow(const std::vector<std::u16string>& fields)
    : QTreeWidgetItem(toStringList(fields), kType)
{
    setFlags(flags() | Qt::ItemIsEditable);
    m_storedForm = encodeItemRow(
        fields.size(), [&](std::u16string& out, std::size_t column) { out += fields[column]; });
    m_storedFormValid = true;
}

const std::u16string& ListRow::storedForm() const
{
    if (!m_storedFormValid) {
        const QTreeWidget* list = treeWidget();
        const int columns = list ? list->columnCount() : columnCount();
        m_storedForm = encodeItemRow(
            static_cast<std::size_t>(columns), [this](std::u16string& out, std::size_t column) {
                const QString field = text(static_cast<int>(column));
                out.append(QStringView(field).utf16(), static_cast<std::size_t>(field.size()));
            });
        m_storedFormValid = true;
    }
    return m_storedForm;
}

const std::optional<double>&
ListRow::estimatedValue(const spreadsheet::input::InputLocale& locale) const
{
    if (!m_estimatedValueValid) {
        m_estimatedValue = typedNumberOf(kEstimatedValueField, text(kEstimatedValueField), locale);
        m_estimatedValueValid = true;
    }
    return m_estimatedValue;
}

void ListRow::setData(int column, int role, const QVariant& value)
{
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        m_storedFormValid = false;
        m_estimatedValueValid = m_estimatedValueValid && column != kEstimatedValueField;
    }
    QTreeWidgetItem::setData(column, role, value);
}

} // namespace stowfolio
