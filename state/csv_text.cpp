#include "state/csv_text.h"

#include <algorithm>

namespace stowfolio {

namespace {

constexpr QChar kFormulaGuard = u'\'';

bool isAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// A number and nothing else: an optional sign, digits with at most one decimal point, and an
// optional exponent ("-12.50", "+3", ".5", "1e-3"). Spreadsheet programs read it as a number,
// never as a formula, so it needs no guard and stays a number for them.
bool isPlainNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isAsciiDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < n && isAsciiDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

// Whether a spreadsheet program opening the CSV could take `text` for a formula: its first
// character starts one ("=", "+", "-", "@"), or a tab or carriage return hides one behind it.
bool needsFormulaGuard(QStringView text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    const bool starts = first == u'=' || first == u'+' || first == u'-' || first == u'@' ||
                        first == u'\t' || first == u'\r';
    return starts && !isPlainNumber(text);
}

} // namespace

QString withFormulaGuard(const QString& field)
{
    return needsFormulaGuard(field) ? kFormulaGuard + field : field;
}

// Only an apostrophe withFormulaGuard could have written comes off: one before a text that
// needs the guard. Any other leading apostrophe is the field's own ("'-12.50" stays, since
// "-12.50" is never guarded), so writing what was read gives the same bytes again.
QString withoutFormulaGuard(const QString& field)
{
    if (field.startsWith(kFormulaGuard) && needsFormulaGuard(QStringView(field).mid(1)))
        return field.mid(1);
    return field;
}

QString csvRecord(const QStringList& fields, QChar delimiter)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += delimiter;
        const QString field = withFormulaGuard(fields[i]);
        const bool quoted = field.contains(delimiter) || field.contains(QLatin1Char('"')) ||
                            field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
        if (!quoted) {
            line += field;
            continue;
        }
        line += QLatin1Char('"');
        line += QString(field).replace(QLatin1Char('"'), QLatin1String("\"\""));
        line += QLatin1Char('"');
    }
    line += QLatin1String("\r\n");
    return line;
}

void CsvReader::append(const QChar* text, qsizetype length)
{
    if (length <= 0)
        return;
    // A field that opens with an apostrophe may carry a formula guard: room for one more
    // character, which endField takes off again or cuts.
    const bool guarded =
        m_field.isEmpty() ? *text == kFormulaGuard : m_field.front() == kFormulaGuard;
    const qsizetype limit = m_maxFieldLength + (guarded ? 1 : 0);
    if (m_maxFieldLength != kNoLimit && m_field.size() + length > limit) {
        length = std::max<qsizetype>(0, limit - m_field.size());
        m_recordCut = true;
    }
    m_field.append(text, length);
}

void CsvReader::endField()
{
    // The field leaves at its exact size and the buffer stays for the next one: a field grown
    // in pieces would otherwise keep its spare room for as long as the import holds it (a 200
    // MB file took 40 % more memory).
    QString field = withoutFormulaGuard(QString(m_field.constData(), m_field.size()));
    if (m_maxFieldLength != kNoLimit && field.size() > m_maxFieldLength) {
        field.truncate(m_maxFieldLength);
        m_recordCut = true;
    }
    if (m_maxFields == kNoLimit || m_record.size() < m_maxFields)
        m_record << field;
    else
        m_recordCut = true;
    m_field.resize(0);
}

void CsvReader::endRecord(std::vector<QStringList>& records)
{
    endField();
    if (m_recordCut)
        m_cutRecords.push_back(records.size());
    m_recordCut = false;
    records.push_back(std::move(m_record));
    m_record.clear();
    m_fieldStarted = false;
}

void CsvReader::feed(QStringView text, std::vector<QStringList>& records)
{
    const QChar* p = text.begin();
    const QChar* const end = text.end();
    const QChar quote = QLatin1Char('"');
    // Runs of ordinary characters are copied in one piece; only the characters that end a
    // field, a record or a quoted part are looked at one by one.
    const auto ordinary = [this, quote](QChar ch) {
        return ch != m_delimiter && ch != quote && ch != QLatin1Char('\n') &&
               ch != QLatin1Char('\r');
    };
    while (p != end) {
        const QChar ch = *p;
        if (m_afterCarriage) {
            m_afterCarriage = false;
            if (ch == QLatin1Char('\n')) {
                ++p;
                continue;
            }
        }
        if (m_inQuotes && !m_quoteSeen) {
            const QChar* run = p;
            while (p != end && *p != quote)
                ++p;
            append(run, p - run);
            if (p != end) {
                m_quoteSeen = true;
                ++p;
            }
            continue;
        }
        if (m_inQuotes) {
            m_quoteSeen = false;
            if (ch == quote) {
                append(&ch, 1);
                ++p;
                continue;
            }
            m_inQuotes = false; // the closing quote; this character is read as outside
        }
        if (ch == m_delimiter) {
            endField();
            m_fieldStarted = true;
            ++p;
        } else if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            endRecord(records);
            m_afterCarriage = ch == QLatin1Char('\r');
            ++p;
        } else if (ch == quote && m_field.isEmpty()) {
            // A quote opens a quoted field only at its start; elsewhere it is an ordinary
            // character, as the spreadsheet programs read it.
            m_inQuotes = true;
            m_fieldStarted = true;
            ++p;
        } else {
            const QChar* run = p++;
            while (p != end && ordinary(*p))
                ++p;
            append(run, p - run);
            m_fieldStarted = true;
        }
    }
}

bool CsvReader::finish(std::vector<QStringList>& records)
{
    const bool open = m_inQuotes && !m_quoteSeen;
    if (m_fieldStarted || !m_field.isEmpty() || !m_record.isEmpty())
        endRecord(records);
    m_inQuotes = m_quoteSeen = false;
    return open;
}

namespace {

bool isSpaceOnly(QChar ch)
{
    return ch.isSpace() && ch != QLatin1Char('\t');
}

} // namespace

bool holdsMoreThanSpaces(QStringView text)
{
    return !std::all_of(text.begin(), text.end(), isSpaceOnly);
}

QChar detectDelimiter(QStringView firstText)
{
    const QChar candidates[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
    int counts[3] = {0, 0, 0};
    bool inQuotes = false;
    // The lines above the first that holds anything are skipped.
    qsizetype lineStart =
        std::find_if_not(firstText.begin(), firstText.end(), isSpaceOnly) - firstText.begin();
    while (lineStart > 0 && firstText[lineStart - 1] != QLatin1Char('\n') &&
           firstText[lineStart - 1] != QLatin1Char('\r'))
        --lineStart;
    for (const QChar ch : firstText.mid(lineStart)) {
        if (ch == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (!inQuotes && (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')))
            break;
        else if (!inQuotes)
            for (int i = 0; i < 3; ++i)
                counts[i] += ch == candidates[i] ? 1 : 0;
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best])
            best = i;
    return candidates[best];
}

} // namespace stowfolio
