#include "spreadsheet/numfmt/format_code.h"

#include "spreadsheet/numfmt/format_colors.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace spreadsheet::numfmt::detail {

namespace {

constexpr size_t kMaxSections = 4;

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
        if (kind == TokenKind::Literal && text.empty()) {
            return;
        }
        m_section.tokens.push_back(Token{kind, std::move(text), count, DigitRole::None, 0});
    }

    std::string_view m_text;
    size_t m_pos = 0;
    Section m_section;
};

bool isDateToken(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Year:
    case TokenKind::Month:
    case TokenKind::Day:
    case TokenKind::Hour:
    case TokenKind::Minute:
    case TokenKind::Second:
    case TokenKind::AmPm:
    case TokenKind::ElapsedHours:
    case TokenKind::ElapsedMinutes:
    case TokenKind::ElapsedSeconds:
        return true;
    default:
        return false;
    }
}

// The nearest date or time part before (step -1) or after (step +1) token i.
const Token* neighbourDatePart(const std::vector<Token>& tokens, size_t i, int step)
{
    for (auto j = static_cast<ptrdiff_t>(i) + step;
         j >= 0 && j < static_cast<ptrdiff_t>(tokens.size()); j += step) {
        const Token& token = tokens[static_cast<size_t>(j)];
        if (isDateToken(token.kind) && token.kind != TokenKind::AmPm) {
            return &token;
        }
    }
    return nullptr;
}

void turnIntoLiteral(Token& token)
{
    token.kind = TokenKind::Literal;
}

void resolveDateSection(Section& section)
{
    section.kind = SectionKind::Date;
    std::vector<Token>& tokens = section.tokens;
    for (size_t i = 0; i < tokens.size(); ++i) {
        Token& token = tokens[i];
        switch (token.kind) {
        case TokenKind::Month: {
            // "m" and "mm" are minutes right after an hour or right before seconds.
            const Token* before = neighbourDatePart(tokens, i, -1);
            const Token* after = neighbourDatePart(tokens, i, +1);
            const bool minute =
                token.count <= 2 && ((before && (before->kind == TokenKind::Hour ||
                                                 before->kind == TokenKind::ElapsedHours)) ||
                                     (after && (after->kind == TokenKind::Second ||
                                                after->kind == TokenKind::ElapsedSeconds)));
            if (minute) {
                token.kind = TokenKind::Minute;
            }
            break;
        }
        case TokenKind::DecimalPoint: {
            // "ss.00": tenths and hundredths of a second.
            size_t end = i + 1;
            while (end < tokens.size() && tokens[end].kind == TokenKind::Digit &&
                   tokens[end].text == "0") {
                ++end;
            }
            const Token* before = neighbourDatePart(tokens, i, -1);
            const bool afterSeconds = before && (before->kind == TokenKind::Second ||
                                                 before->kind == TokenKind::ElapsedSeconds);
            if (end > i + 1 && afterSeconds) {
                token.kind = TokenKind::SecondFraction;
                token.count = std::min(3, static_cast<int>(end - i - 1));
                section.secondDecimals = std::max(section.secondDecimals, token.count);
                tokens.erase(tokens.begin() + static_cast<ptrdiff_t>(i) + 1,
                             tokens.begin() + static_cast<ptrdiff_t>(end));
            } else {
                turnIntoLiteral(token);
            }
            break;
        }
        case TokenKind::AmPm:
            section.twelveHour = true;
            break;
        case TokenKind::Digit:
        case TokenKind::Exponent:
        case TokenKind::General:
        case TokenKind::TextPlaceholder:
            turnIntoLiteral(token);
            break;
        default:
            break;
        }
    }
    for (const Token& token : tokens) {
        switch (token.kind) {
        case TokenKind::Year:
        case TokenKind::Month:
        case TokenKind::Day:
            section.hasDatePart = true;
            break;
        case TokenKind::Hour:
        case TokenKind::Minute:
        case TokenKind::Second:
        case TokenKind::AmPm:
        case TokenKind::ElapsedHours:
        case TokenKind::ElapsedMinutes:
        case TokenKind::ElapsedSeconds:
            section.hasTimePart = true;
            break;
        default:
            break;
        }
    }
}

bool isAsciiDigitLiteral(const Token& token)
{
    return token.kind == TokenKind::Literal && token.text.size() == 1 &&
           std::isdigit(static_cast<unsigned char>(token.text[0]));
}

// Marks numerator and denominator digits around a "/" that stands right after a digit
// placeholder; returns false when the section has no such fraction.
bool resolveFraction(Section& section)
{
    std::vector<Token>& tokens = section.tokens;
    size_t slash = 0;
    for (; slash < tokens.size(); ++slash) {
        if (tokens[slash].kind == TokenKind::Literal && tokens[slash].text == "/" && slash > 0 &&
            tokens[slash - 1].kind == TokenKind::Digit && slash + 1 < tokens.size() &&
            (tokens[slash + 1].kind == TokenKind::Digit ||
             isAsciiDigitLiteral(tokens[slash + 1]))) {
            break;
        }
    }
    if (slash == tokens.size()) {
        return false;
    }
    tokens[slash].kind = TokenKind::FractionSlash;
    size_t numeratorStart = slash;
    while (numeratorStart > 0 && tokens[numeratorStart - 1].kind == TokenKind::Digit) {
        --numeratorStart;
    }
    for (size_t i = numeratorStart; i < slash; ++i) {
        tokens[i].role = DigitRole::Numerator;
        tokens[i].index = section.numeratorDigits++;
    }
    std::string fixed;
    bool hasFixedDigit = false;
    for (size_t i = slash + 1; i < tokens.size() && (tokens[i].kind == TokenKind::Digit ||
                                                     isAsciiDigitLiteral(tokens[i]));
         ++i) {
        hasFixedDigit = hasFixedDigit || tokens[i].kind == TokenKind::Literal;
        fixed += tokens[i].kind == TokenKind::Literal ? tokens[i].text : "0";
        tokens[i].role = DigitRole::Denominator;
        tokens[i].index = section.denominatorDigits++;
    }
    if (hasFixedDigit) {
        std::from_chars(fixed.data(), fixed.data() + std::min<size_t>(fixed.size(), 9),
                        section.fixedDenominator);
    }
    for (size_t i = 0; i < numeratorStart; ++i) {
        if (tokens[i].kind == TokenKind::Digit) {
            tokens[i].role = DigitRole::Integer;
            tokens[i].index = section.integerDigits++;
        }
    }
    section.kind = SectionKind::Fraction;
    return true;
}

// Integer digits before the point, decimals after it, exponent digits after "E+".
void assignNumberRoles(Section& section)
{
    DigitRole role = DigitRole::Integer;
    bool seenPoint = false;
    for (Token& token : section.tokens) {
        if (token.kind == TokenKind::DecimalPoint) {
            if (seenPoint || role == DigitRole::Exponent) {
                turnIntoLiteral(token);
            } else {
                seenPoint = true;
                role = DigitRole::Decimal;
            }
        } else if (token.kind == TokenKind::Exponent) {
            if (role == DigitRole::Exponent) {
                turnIntoLiteral(token);
            } else {
                section.kind = SectionKind::Scientific;
                role = DigitRole::Exponent;
            }
        } else if (token.kind == TokenKind::Digit) {
            token.role = role;
            int& counter = role == DigitRole::Integer   ? section.integerDigits
                           : role == DigitRole::Decimal ? section.decimalDigits
                                                        : section.exponentDigits;
            token.index = counter++;
            if (role == DigitRole::Integer && token.text == "#") {
                section.integerHasHash = true;
            }
            if (role == DigitRole::Decimal) {
                section.decimalPlaceholders += token.text;
            }
        }
    }
}

// A comma between integer digits groups thousands; commas right after the last digit
// placeholder of the integer or decimal part divide by 1,000 each; any other is a literal.
void resolveCommas(Section& section)
{
    std::vector<Token>& tokens = section.tokens;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != TokenKind::Comma) {
            continue;
        }
        size_t before = i;
        while (before > 0 && (tokens[before - 1].kind == TokenKind::Hidden ||
                              tokens[before - 1].kind == TokenKind::Comma)) {
            --before;
        }
        const bool afterDigit = before > 0 && tokens[before - 1].kind == TokenKind::Digit;
        if (!afterDigit) {
            continue;
        }
        const DigitRole role = tokens[before - 1].role;
        const bool integerDigitFollows = std::any_of(
            tokens.begin() + static_cast<ptrdiff_t>(i) + 1, tokens.end(), [](const Token& t) {
                return t.kind == TokenKind::Digit && t.role == DigitRole::Integer;
            });
        if (role == DigitRole::Integer && integerDigitFollows) {
            section.grouping = true;
            tokens[i].kind = TokenKind::Hidden;
        } else if (role == DigitRole::Integer || role == DigitRole::Decimal) {
            section.powerOfTen -= 3;
            tokens[i].kind = TokenKind::Hidden;
        }
    }
}

void resolveNumberSection(Section& section)
{
    section.kind = SectionKind::Number;
    if (!resolveFraction(section)) {
        assignNumberRoles(section);
    }
    resolveCommas(section);
    for (Token& token : section.tokens) {
        if (token.kind == TokenKind::Percent) {
            section.powerOfTen += 2;
        } else if (token.kind == TokenKind::DecimalPoint && section.kind == SectionKind::Fraction) {
            turnIntoLiteral(token);
        } else if (token.kind == TokenKind::TextPlaceholder) {
            token.kind = TokenKind::Hidden;
        }
    }
}

bool isCurrencySymbol(std::string_view text)
{
    for (const std::string_view symbol : {"$", "€", "£", "¥", "¤"}) {
        if (text.find(symbol) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

Section parseSection(std::string_view text)
{
    Section section = SectionTokenizer(text).run();
    bool hasDigit = false;
    bool hasText = false;
    bool hasDate = false;
    for (const Token& token : section.tokens) {
        hasDigit = hasDigit || token.kind == TokenKind::Digit;
        hasText = hasText || token.kind == TokenKind::TextPlaceholder;
        hasDate = hasDate || isDateToken(token.kind);
        section.hasGeneral = section.hasGeneral || token.kind == TokenKind::General;
        section.hasFill = section.hasFill || token.kind == TokenKind::Fill;
        section.hasCurrency = section.hasCurrency ||
                              (token.kind == TokenKind::Literal && isCurrencySymbol(token.text));
    }
    if (hasDate) {
        resolveDateSection(section);
    } else if (hasDigit || section.hasGeneral) {
        resolveNumberSection(section);
    } else {
        section.kind = hasText ? SectionKind::Text : SectionKind::Literal;
        for (Token& token : section.tokens) {
            if (token.kind == TokenKind::DecimalPoint || token.kind == TokenKind::Exponent) {
                turnIntoLiteral(token);
            }
        }
    }
    return section;
}

} // namespace

bool Condition::holds(double value) const
{
    switch (op) {
    case Op::Less:
        return value < operand;
    case Op::LessEqual:
        return value <= operand;
    case Op::Greater:
        return value > operand;
    case Op::GreaterEqual:
        return value >= operand;
    case Op::Equal:
        return value == operand;
    case Op::NotEqual:
        return value != operand;
    }
    return false;
}

bool Condition::onlyNegatives() const
{
    switch (op) {
    case Op::Less:
        return operand <= 0;
    case Op::LessEqual:
    case Op::Equal:
        return operand < 0;
    default:
        return false;
    }
}

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

ParsedFormat parseFormatCode(std::string_view code)
{
    ParsedFormat parsed;
    for (const std::string_view text : splitSections(code)) {
        parsed.sections.push_back(parseSection(text));
    }
    return parsed;
}

} // namespace spreadsheet::numfmt::detail
