#pragma once

// Comma-separated text as spreadsheet programs write and read it (RFC 4180): fields separated
// by a delimiter, records by line ends, a field in double quotes when it holds the delimiter,
// a quote or a line end, quotes inside doubled.
//
// Reading is incremental, so a large file is read a piece at a time with progress shown and a
// cancel possible, and it never fails: whatever the bytes, every character lands in some field.
// An opening quote that is never closed runs to the end of the file; finish() says so.
//
// A field a spreadsheet program would open as a formula (one starting with "=", "+", "-", "@",
// a tab or a carriage return, unless it is a plain number such as "-12.50") is written with an
// apostrophe before it, so that the program shows it as text; the reader takes that one
// apostrophe off again, so what is written reads back as it was.

#include <QString>
#include <QStringList>

#include <vector>

namespace stowfolio {

// One record, as CSV text ending in CRLF; fields that would open as formulas are guarded.
QString csvRecord(const QStringList& fields, QChar delimiter = QLatin1Char(','));

// `field` with an apostrophe before it when a spreadsheet program would take it for a formula;
// as it is otherwise.
QString withFormulaGuard(const QString& field);
// `field` without the apostrophe withFormulaGuard put before it; as it is when it has none.
QString withoutFormulaGuard(const QString& field);

class CsvReader
{
public:
    static constexpr qsizetype kNoLimit = -1;

    // Fields longer than `maxFieldLength` keep their first `maxFieldLength` characters (not
    // counting a formula guard), and a record keeps its first `maxFields` fields: a hostile file
    // costs no more memory than the texts that can be kept, however long its lines.
    explicit CsvReader(QChar delimiter, qsizetype maxFieldLength = kNoLimit,
                       qsizetype maxFields = kNoLimit)
        : m_delimiter(delimiter), m_maxFieldLength(maxFieldLength), m_maxFields(maxFields)
    {
    }

    // The delimiter from here on. Lines holding nothing read the same whatever the delimiter, so
    // a reader may start on them before the first line with text has told it.
    void setDelimiter(QChar delimiter) { m_delimiter = delimiter; }

    // Reads on from where the last piece ended; each record completed is appended to `records`.
    void feed(QStringView text, std::vector<QStringList>& records);
    // The last record, when the text does not end with a line end. True when a quoted field
    // was still open at the end.
    bool finish(std::vector<QStringList>& records);
    // The indexes (in `records`) of the records that lost text to the limits.
    const std::vector<std::size_t>& cutRecords() const { return m_cutRecords; }

private:
    void append(const QChar* text, qsizetype length);
    void endField();
    void endRecord(std::vector<QStringList>& records);

    QChar m_delimiter;
    qsizetype m_maxFieldLength;
    qsizetype m_maxFields;
    bool m_recordCut = false;
    std::vector<std::size_t> m_cutRecords;
    QString m_field;
    QStringList m_record;
    bool m_inQuotes = false;
    bool m_quoteSeen = false;     // a quote inside quotes: doubled, or the end of the quotes
    bool m_afterCarriage = false; // a CR just ended a record; a LF right after belongs to it
    bool m_fieldStarted = false;  // anything read since the last record ended
};

// The delimiter of a CSV text from its first line that holds more than spaces (empty lines
// above a header row are common in spreadsheets' exports): the one of comma, semicolon and tab
// that occurs most often outside quotes; comma when none does.
QChar detectDelimiter(QStringView firstText);

// True when `text` holds a character other than a line end or a space; a tab counts, since it
// may be the delimiter.
bool holdsMoreThanSpaces(QStringView text);

} // namespace stowfolio
