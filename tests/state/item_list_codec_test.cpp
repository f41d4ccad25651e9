#include "state/item_list_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stowfolio {
namespace {

constexpr std::size_t kColumns = 12;

ItemRow row(std::initializer_list<std::u16string> fields)
{
    ItemRow r(fields);
    r.resize(kColumns);
    return r;
}

struct EncodeCase
{
    const char* name;
    std::vector<ItemRow> rows;
    std::u16string stored;
};

TEST(ItemListCodec, EncodesRowsAsWritten)
{
    const std::vector<EncodeCase> cases = {
        {"empty list gives the empty string", {}, u""},
        {"two rows, the second all empty",
         {row({u"Kitchen", u"Toaster"}), row({})},
         u"Kitchen^Toaster^^^^^^^^^^|^^^^^^^^^^^"},
        {"only the photo filled",
         {row({u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"/home/me/car photo.jpg"})},
         u"^^^^^^^^^^^/home/me/car photo.jpg"},
        {"short rows count missing fields as empty", {ItemRow{u"Attic"}}, u"Attic^^^^^^^^^^^"},
    };
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encodeItemList(c.rows, kColumns), c.stored);
    }
    EXPECT_EQ(encodeItemList({row({u"Kitchen", u"Toaster"}), row({})}, kColumns).size(), 37u);
}

struct DecodeCase
{
    const char* name;
    std::u16string stored;
    std::vector<ItemRow> rows;
    std::size_t droppedCount;
};

TEST(ItemListCodec, DecodesStoredValues)
{
    const std::vector<DecodeCase> cases = {
        {"empty value is an empty list", u"", {}, 0},
        {"leading, trailing and doubled bars add no rows",
         u"|A^x||B^y|",
         {row({u"A", u"x"}), row({u"B", u"y"})},
         0},
        {"only bars", u"|||", {}, 0},
        {"three fields fill the first three columns",
         u"Den^Lamp^2001",
         {row({u"Den", u"Lamp", u"2001"})},
         0},
        {"all-empty row comes back as one empty row", u"^^^^^^^^^^^", {row({})}, 0},
        {"a lone caret is a row of two empty fields", u"^", {row({})}, 0},
        {"fields beyond twelve are dropped one by one",
         u"a^b^c^d^e^f^g^h^i^j^k^l^m^n",
         {row({u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k", u"l"})},
         2},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedItemList decoded = decodeItemList(c.stored, kColumns);
        EXPECT_EQ(decoded.rows, c.rows);
        EXPECT_EQ(decoded.dropped.size(), c.droppedCount);
    }
}

TEST(ItemListCodec, ReportsWhichFieldsWereDropped)
{
    const DecodedItemList decoded =
        decodeItemList(u"x|a^b^c^d^e^f^g^h^i^j^k^l^thirteen^fourteen", kColumns);
    ASSERT_EQ(decoded.dropped.size(), 2u);
    EXPECT_EQ(decoded.dropped[0].row, 1u);
    EXPECT_EQ(decoded.dropped[0].field, 12u);
    EXPECT_EQ(decoded.dropped[0].text, u"thirteen");
    EXPECT_EQ(decoded.dropped[1].field, 13u);
    EXPECT_EQ(decoded.dropped[1].text, u"fourteen");
}

TEST(ItemListCodec, RoundTripKeepsEveryTextExactly)
{
    const std::u16string longText(10000, u'w');
    const std::vector<ItemRow> rows = {
        row({u"  Living room ", u"\tSofa", u"", u"Ikea  "}),
        row({}),
        row({u"Κουζίνα", u"电视机", u"🛋️ couch", u"", u"", u"", u"", u"", u"", u"", longText,
             u"/home/ann/Pictures/été photo.jpg"}),
        row({u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"only photo"}),
    };
    const std::u16string stored = encodeItemList(rows, kColumns);
    const DecodedItemList decoded = decodeItemList(stored, kColumns);
    EXPECT_EQ(decoded.rows, rows);
    EXPECT_TRUE(decoded.dropped.empty());
    EXPECT_EQ(encodeItemList(decoded.rows, kColumns), stored);
}

TEST(ItemListCodec, TenThousandRowsRoundTrip)
{
    std::vector<ItemRow> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back(row({u"Room " + std::u16string(1, char16_t(u'A' + i % 26)), u"Item"}));
    const DecodedItemList decoded = decodeItemList(encodeItemList(rows, kColumns), kColumns);
    EXPECT_EQ(decoded.rows, rows);
}

TEST(ItemListCodec, FindsTheSeparatorsTheFormatCannotHold)
{
    EXPECT_EQ(firstSeparatorIn(u"plain text"), std::nullopt);
    EXPECT_EQ(firstSeparatorIn(u"a|b"), std::optional<char16_t>(u'|'));
    EXPECT_EQ(firstSeparatorIn(u"x^y|z"), std::optional<char16_t>(u'^'));
    EXPECT_EQ(firstSeparatorIn(u""), std::nullopt);
}

} // namespace
} // namespace stowfolio
