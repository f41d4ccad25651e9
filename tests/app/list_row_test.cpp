#include "app/list_row.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

TEST(ListRow, StoredFormFollowsEveryChangeOfAField)
{
    QTreeWidget list;
    list.setColumnCount(4);
    auto* typed = new ListRow(QStringList{QStringLiteral("Den")});
    auto* restored = new ListRow(std::vector<std::u16string>{u"Attic", u"Box", u"", u"x"});
    list.addTopLevelItems({typed, restored});

    EXPECT_EQ(typed->storedForm(), u"Den^^^");
    typed->setText(2, QStringLiteral("2001"));
    EXPECT_EQ(typed->storedForm(), u"Den^^2001^");

    EXPECT_EQ(restored->storedForm(), u"Attic^Box^^x");
    EXPECT_EQ(restored->text(1), QStringLiteral("Box"));
    restored->setText(0, QStringLiteral("Cellar"));
    EXPECT_EQ(restored->storedForm(), u"Cellar^Box^^x");
}

} // namespace
} // namespace stowfolio
