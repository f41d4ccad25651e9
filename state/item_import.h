#pragma once

// Items brought in from other files: a CSV or TSV file (ours, a spreadsheet's, Homebox's
// export) read and matched to the twelve fields by its header row. What the user sees before
// anything changes comes from here too: the rows as they will land, the columns left out and
// the rows skipped, each with its reason.

#include "state/inventory.h"
#include "state/inventory_conventions.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace stowfolio {

// The most items the list holds: what fills the template's sheet from row 10 to row 65,535, the
// last its item block can reach (workbook/inventory.h derives it from the sheet's row count).
// Users see it in messages, so it must not change.
inline constexpr int kMaxInventoryItems = 65'526;

// The twelve column captions of the list, as the CSV export writes them.
extern const QStringList kItemColumnCaptions;

struct ItemImport
{
    QList<QStringList> items; // twelve fields each, ready for the list
    QStringList ignoredColumns;
    QStringList skippedRows; // "row 5: it is empty"
    // Rows (numbered as in the file) with a value longer than a sheet cell holds, cut to fit.
    QList<int> cutRows;
    int replacedSeparators = 0; // "|" and "^" in the file, made "/" and "'"
    // Homebox's archived and sold items, not added: "row 4 \"Bike\" (sold)".
    QStringList leftOutItems;
    // Items whose quantity above one went into their notes ("Quantity: 3").
    int quantitiesInNotes = 0;
    // How the file's amounts and dates were read, and those that still will not count.
    QStringList valueNotes;
    // Set when nothing can be imported; the message names the file and the problem.
    QString problem;
    // Owner and insurance fields, when the file holds them (a workbook of ours).
    QStringList ownerFields;
    // A workbook's: the sheet its items were read from and each item's row there (from 0), so
    // that a reader can look at the cells themselves.
    std::size_t sheet = 0;
    QList<int> itemRows;
    // A CSV file's "Attachments" column: each item's files, its ";"-separated parts, in order
    // (empty parts left out), as absolute paths (a relative one is taken from the file's folder,
    // or the current folder for standard input). Parallel to `items` when the file has that
    // column, empty otherwise.
    QList<QStringList> attachments;
    // Each item's row in the file (from 1), parallel to `items`: messages about an item's
    // files name it.
    QList<int> fileRows;
};

// The header of the column of attachment paths, as the claim kit's item list names it.
inline constexpr char kAttachmentsColumn[] = "Attachments";

// How many files the items of `imported` bring with them.
qsizetype attachmentCount(const ItemImport& imported);

// Called now and then while a file is read with how much of it is done; false cancels.
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// An import's input, opened once. A plain file is read where it lies, a piece at a time, as
// often as needed. Standard input ("-") and a named pipe (a FIFO, or "<(…)" in a shell, which
// names one of /dev/fd) can be read only once: they are read whole into memory here, and
// everything after reads that copy. A folder, a device or a socket is refused with what it is.
struct ImportSource
{
    QString path; // as given; "-" for standard input
    QString name; // the file's name in messages, or "standard input"
    bool inMemory = false;
    QByteArray bytes; // the whole input, when inMemory
    // Set when it cannot be read; the message names it and says why.
    QString problem;
};

// The most bytes read from standard input or a pipe, which is held in memory whole: 1 GiB, far
// more than a list of kMaxInventoryItems items takes in any text form. Users see it in messages.
inline constexpr qint64 kLargestStreamInput = qint64{1} << 30;

ImportSource openImportSource(const QString& path);

// Why `path` is not a plain file to read, in words ("it is a folder, not a file"; "the file
// does not exist"), or an empty text when it is one (a link is followed).
QString notAPlainFile(const QString& path);

// Reads a CSV or TSV file: encoding (UTF-8 with or without a byte-order mark, UTF-16 with one,
// as spreadsheets save "Unicode text", else Windows-1252) and delimiter (comma, semicolon or
// tab) found by looking; columns matched by header name, the header being the first line that
// holds anything. Stops with a problem once more than `room` items are found, so an import that
// cannot fit costs no more than what fits; empty lines do not count.
// Its dates and amounts are written in the inventory's `conventions` (readImportedValues).
ItemImport importCsvSource(const ImportSource& source, int room,
                           const InventoryConventions& conventions,
                           const ImportProgress& progress = {});
// The same for the file (or "-") at `path`.
ItemImport importCsvFile(const QString& path, int room, const InventoryConventions& conventions,
                         const ImportProgress& progress = {});

// The records of a CSV file after its header row, matched to fields. Exposed for tests.
ItemImport itemsFromRecords(const std::vector<QStringList>& records,
                            const InventoryConventions& conventions);

// "|" and "^" cannot be kept in the stored list; they become "/" and "'", counted in `replaced`.
QString withoutSeparators(QString text, int& replaced);

// Writes `items` as CSV with a header row of the column captions: UTF-8 with a byte-order mark
// and CRLF line ends, so that the spreadsheet programs open it with every accent intact. The
// texts go out as stored, in the inventory's conventions; an import into an inventory of the
// same conventions reads them back unchanged.
QByteArray itemsAsCsv(const std::vector<Item>& items);

// What the user should know beside the item count: the columns left out, the rows skipped and
// the separators replaced, one line each.
QStringList importDetails(const ItemImport& imported);

// "more than 65,526 items" and the like, for an import that does not fit.
QString tooManyToImportMessage(const QString& path, int found, bool more, int room);

} // namespace stowfolio
