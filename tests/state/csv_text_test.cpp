#include "state/csv_text.h"

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

std::vector<QStringList> readAll(const QString& text, QChar delimiter = QLatin1Char(','),
                                 bool* open = nullptr)
{
    CsvReader reader(delimiter);
    std::vector<QStringList> records;
    reader.feed(text, records);
    const bool stillOpen = reader.finish(records);
    if (open)
        *open = stillOpen;
    return records;
}

TEST(CsvText, ReadsWhatSpreadsheetProgramsWrite)
{
    const struct
    {
        const char* name;
        QString text;
        std::vector<QStringList> expected;
    } cases[] = {
        {"plain, CRLF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
        {"LF and no final line end", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
        {"CR alone", "a\rb\r", {{"a"}, {"b"}}},
        {"quoted delimiter, quote and line end",
         "\"x,y\",\"say \"\"hi\"\"\",\"1\r\n2\"\r\n",
         {{"x,y", "say \"hi\"", "1\r\n2"}}},
        {"empty fields", ",,\r\n", {{"", "", ""}}},
        {"a blank line is an empty record", "a\n\nb\n", {{"a"}, {""}, {"b"}}},
        {"a quote inside a field is a character", "5\" pipe,x\n", {{"5\" pipe", "x"}}},
        {"text after a closing quote joins the field", "\"ab\"c,d\n", {{"abc", "d"}}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.text), c.expected);
    }
}

// A file read a piece at a time gives the same records wherever the pieces end.
TEST(CsvText, PiecesMayEndAnywhere)
{
    const QString text = QStringLiteral("\"a,\"\"b\"\"\r\nc\",d\r\ne,\"\"\r\n\"f\"\r\n");
    const std::vector<QStringList> whole = readAll(text);
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE(cut);
        CsvReader reader(QLatin1Char(','));
        std::vector<QStringList> records;
        reader.feed(QStringView(text).left(cut), records);
        reader.feed(QStringView(text).mid(cut), records);
        reader.finish(records);
        EXPECT_EQ(records, whole);
    }
}

TEST(CsvText, AnOpenQuoteRunsToTheEndAndIsReported)
{
    bool open = false;
    EXPECT_EQ(readAll(QStringLiteral("a,\"b\nc,d\n"), QLatin1Char(','), &open),
              (std::vector<QStringList>{{"a", "b\nc,d\n"}}));
    EXPECT_TRUE(open);
}

TEST(CsvText, WrittenRecordsReadBackExactly)
{
    const QStringList fields = {"plain",           "with, comma", "with \"quotes\"",
                                "two\r\nlines",    "  blanks  ",  "",
                                "Ωμέγα 🙂", "tab\there"};
    for (const QChar delimiter : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')}) {
        const QString text = csvRecord(fields, delimiter) + csvRecord({"x"}, delimiter);
        EXPECT_TRUE(text.endsWith(QLatin1String("x\r\n")));
        EXPECT_EQ(readAll(text, delimiter), (std::vector<QStringList>{fields, {"x"}}));
    }
}

TEST(CsvText, TheDelimiterIsTheCommonestOutsideQuotes)
{
    EXPECT_EQ(detectDelimiter(u"Location;Description;Price\n1,2;3"), QLatin1Char(';'));
    EXPECT_EQ(detectDelimiter(u"HB.name\tHB.location\n"), QLatin1Char('\t'));
    EXPECT_EQ(detectDelimiter(u"\"a;b;c\",d\n"), QLatin1Char(','));
    EXPECT_EQ(detectDelimiter(u"single column"), QLatin1Char(','));
}

// Only the header row decides: notes below it may hold more of another candidate than the
// header holds of its own delimiter.
TEST(CsvText, TheDelimiterComesFromTheHeaderRowNotTheNotesBelowIt)
{
    const struct
    {
        const char* name;
        const char16_t* text;
        char delimiter;
    } cases[] = {
        {"commas, notes with semicolons",
         u"Location,Notes\r\nHall,keys; gloves; hats; scarves\r\nDen,a;b;c\r\n", ','},
        {"semicolons, notes with commas",
         u"Location;Notes\nHall;keys, gloves, hats, scarves\nDen;a,b,c\n", ';'},
        {"tabs, notes with commas and semicolons",
         u"Location\tNotes\rHall\tkeys, gloves; hats, scarves\r", '\t'},
        {"a line end inside a quoted header name", u"\"Serial\n#\";Notes\nA1;x, y, z\n", ';'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detectDelimiter(c.text), QLatin1Char(c.delimiter));
    }
}

} // namespace
} // namespace stowfolio
