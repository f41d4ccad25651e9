#include "spreadsheet/numfmt/format_tokenizer.h"

#include "spreadsheet/numfmt/format_colors.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace spreadsheet::numfmt::detail {

namespace {

constexpr size_t kMaxSections = 4;

// The number of bytes of the UTF-8 character starting at text[at] (1 for bad bytes).
size_t utf8Length(std::string_view text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return std::min(length, text.size() - at);
}

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view prefix)
{
    if (text.size() - at < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[at + i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::string trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::optional<Condition> parseCondition(std::string_view content)
{
    Condition condition;
    size_t length = 1;
    if (content.starts_with("<=")) {
        condition.op = Condition::Op::LessEqual, length = 2;
    } else if (content.starts_with(">=")) {
        condition.op = Condition::Op::GreaterEqual, length = 2;
    } else if (content.starts_with("<>")) {
        condition.op = Condition::Op::NotEqual, length = 2;
    } else if (content.starts_with('<')) {
        condition.op = Condition::Op::Less;
    } else if (content.starts_with('>')) {
        condition.op = Condition::Op::Greater;
    } else {
        condition.op = Condition::Op::Equal;
    }
    const std::string operand = trim(content.substr(length));
    const char* begin = operand.data() + (operand.starts_with('+') ? 1 : 0);
    const auto result = std::from_chars(begin, operand.data() + operand.size(), condition.operand);
    if (result.ec != std::errc() || result.ptr != operand.data() + operand.size()) {
        return std::nullopt;
    }
    return condition;
}

// "[h]", "[mm]", "[ss]": elapsed time when every letter is the same h, m or s.
std::optional<TokenKind> elapsedKind(std::string_view content)
{
    if (content.empty()) {
        return std::nullopt;
    }
    const char letter = lower(content.front());
    if (!std::all_of(content.begin(), content.end(), [&](char c) { return lower(c) == letter; })) {
        return std::nullopt;
    }
    switch (letter) {
    case 'h':
        return TokenKind::ElapsedHours;
    case 'm':
        return TokenKind::ElapsedMinutes;
    case 's':
        return TokenKind::ElapsedSeconds;
    default:
        return std::nullopt;
    }
}

class SectionTokenizer
{
public:
    explicit SectionTokenizer(std::string_view text) : m_text(text) {}

    Section run()
    {
        while (m_pos < m_text.size()) {
            next();
        }
        return std::move(m_section);
    }

private:
    void next()
    {
        const char c = m_text[m_pos];
        switch (c) {
        case '"':
            quoted();
            return;
        case '\\':
            ++m_pos;
            add(TokenKind::Literal, takeCharacter());
            return;
        case '_':
            ++m_pos;
            add(TokenKind::Spacing, takeCharacter());
            return;
        case '*':
            ++m_pos;
            add(TokenKind::Fill, takeCharacter());
            return;
        case '[':
            bracket();
            return;
        case '0':
        case '#':
        case '?':
            add(TokenKind::Digit, std::string(1, c));
            ++m_pos;
            return;
        case '.':
            add(TokenKind::DecimalPoint, ".");
            ++m_pos;
            return;
        case '@':
            add(TokenKind::TextPlaceholder, "@");
            ++m_pos;
            return;
        case ',':
            add(TokenKind::Comma, ",");
            ++m_pos;
            return;
        case '%':
            add(TokenKind::Percent, "%");
            ++m_pos;
            return;
        default:
            break;
        }
        if (letterToken(c)) {
            return;
        }
        add(TokenKind::Literal, takeCharacter());
    }

    // Letters that make tokens: exponents, General, date and time parts, AM/PM.
    bool letterToken(char c)
    {
        const char l = lower(c);
        if (l == 'e' && m_pos + 1 < m_text.size() &&
            (m_text[m_pos + 1] == '+' || m_text[m_pos + 1] == '-')) {
            add(TokenKind::Exponent, std::string(m_text.substr(m_pos, 2)));
            m_pos += 2;
            return true;
        }
        if (l == 'g' && startsWithNoCase(m_text, m_pos, "general")) {
            add(TokenKind::General, "General");
            m_pos += 7;
            return true;
        }
        if (l == 'a') {
            for (const std::string_view marker : {"am/pm", "a/p"}) {
                if (startsWithNoCase(m_text, m_pos, marker)) {
                    add(TokenKind::AmPm, std::string(m_text.substr(m_pos, marker.size())));
                    m_pos += marker.size();
                    return true;
                }
            }
            return false;
        }
        TokenKind kind;
        switch (l) {
        case 'y':
        case 'e': // the era year, which is the plain year outside East Asian calendars
            kind = TokenKind::Year;
            break;
        case 'm':
            kind = TokenKind::Month; // minutes are told apart once the section is complete
            break;
        case 'd':
            kind = TokenKind::Day;
            break;
        case 'h':
            kind = TokenKind::Hour;
            break;
        case 's':
            kind = TokenKind::Second;
            break;
        default:
            return false;
        }
        int count = 0;
        while (m_pos < m_text.size() && lower(m_text[m_pos]) == l) {
            ++m_pos, ++count;
        }
        if (l == 'e') {
            count = 4;
        }
        add(kind, {}, count);
        return true;
    }

    void quoted()
    {
        const size_t close = m_text.find('"', m_pos + 1);
        const size_t end = close == std::string_view::npos ? m_text.size() : close;
        if (end > m_pos + 1) {
            add(TokenKind::Literal, std::string(m_text.substr(m_pos + 1, end - m_pos - 1)));
        }
        m_pos = std::min(m_text.size(), end + 1);
    }

    void bracket()
    {
        const size_t close = m_text.find(']', m_pos + 1);
        if (close == std::string_view::npos) {
            add(TokenKind::Literal, takeCharacter());
            return;
        }
        const std::string_view content = m_text.substr(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        if (content.empty()) {
            return;
        }
        if (const auto color = colorFromBracket(content)) {
            m_section.color = color;
        } else if (content.front() == '<' || content.front() == '>' || content.front() == '=') {
            m_section.condition = parseCondition(content);
        } else if (const auto kind = elapsedKind(content)) {
            add(*kind, {}, static_cast<int>(content.size()));
        } else if (content.front() == '$') {
            // [$€-407]: a currency symbol and a locale; only the symbol shows.
            const std::string_view symbol = content.substr(1, content.find('-') - 1);
            if (!symbol.empty()) {
                add(TokenKind::Literal, std::string(symbol));
                m_section.hasCurrency = true;
            }
        }
        // Anything else ([DBNum1], [~buddhist] ...) changes nothing in English formats.
    }

    std::string takeCharacter()
    {
        if (m_pos >= m_text.size()) {
            return {};
        }
        const size_t length = utf8Length(m_text, m_pos);
        std::string character(m_text.substr(m_pos, length));
        m_pos += length;
        return character;
    }

    void add(TokenKind kind, std::string text, int count = 0)
    {
        // "\", "_" or "*" at the very end takes no character: nothing to show or to fill with.
        const bool needsText =
            kind == TokenKind::Literal || kind == TokenKind::Spacing || kind == TokenKind::Fill;
        if (needsText && text.empty()) {
            return;
        }
        m_section.tokens.push_back(Token{kind, std::move(text), count, DigitRole::None, 0});
    }

    std::string_view m_text;
    size_t m_pos = 0;
    Section m_section;
};

} // namespace

// Splits at ";" outside quotes, brackets and the characters that "\", "_" and "*" take.
std::vector<std::string_view> splitSections(std::string_view code)
{
    std::vector<std::string_view> sections;
    size_t start = 0;
    size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (c == '"') {
            const size_t close = code.find('"', i + 1);
            i = close == std::string_view::npos ? code.size() : close + 1;
        } else if (c == '[') {
            const size_t close = code.find(']', i + 1);
            i = close == std::string_view::npos ? code.size() : close + 1;
        } else if (c == '\\' || c == '_' || c == '*') {
            i = std::min(code.size(), i + 1 + (i + 1 < code.size() ? utf8Length(code, i + 1) : 0));
        } else if (c == ';') {
            sections.push_back(code.substr(start, i - start));
            start = ++i;
        } else {
            ++i;
        }
    }
    sections.push_back(code.substr(start));
    if (sections.size() > kMaxSections) {
        sections.resize(kMaxSections);
    }
    return sections;
}

Section tokenizeSection(std::string_view text)
{
    return SectionTokenizer(text).run();
}

} // namespace spreadsheet::numfmt::detail
