#pragma once

// One row of the item list. It keeps its stored form (the fields joined as the saved list holds
// them) and recomputes it only after a field changes, so storing a list of 10,000 rows after
// every edit does not read 120,000 texts back out of the widget.

#include "spreadsheet/input/typed_input.h"

#include <QTreeWidgetItem>

#include <optional>
#include <string>
#include <vector>

namespace stowfolio {

class ListRow : public QTreeWidgetItem
{
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    explicit ListRow(const QStringList& fields);
    // A row read back from the saved list, one field per column.
    explicit ListRow(const std::vector<std::u16string>& fields);

    // The row as the saved list holds it, with one field per column of its list.
    const std::u16string& storedForm() const;
    // The Est. Value as the workbook's total counts it: a number, or nothing for text.
    const std::optional<double>&
    estimatedValue(const spreadsheet::input::InputLocale& locale) const;

    void setData(int column, int role, const QVariant& value) override;

private:
    mutable std::u16string m_storedForm;
    mutable bool m_storedFormValid = false;
    mutable std::optional<double> m_estimatedValue;
    mutable bool m_estimatedValueValid = false;
};

} // namespace stowfolio
