#include "spreadsheet/numfmt/format_code.h"

#include "spreadsheet/numfmt/format_tokenizer.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace spreadsheet::numfmt::detail {

namespace {

bool isDayToken(TokenKind kind)
{
    return kind == TokenKind::Year || kind == TokenKind::Month || kind == TokenKind::Day;
}

bool isTimeToken(TokenKind kind)
{
    switch (kind) {
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

// Any part of a date or a time.
bool isDateToken(TokenKind kind)
{
    return isDayToken(kind) || isTimeToken(kind);
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

bool isHourPart(const Token* token)
{
    return token && (token->kind == TokenKind::Hour || token->kind == TokenKind::ElapsedHours);
}

bool isSecondPart(const Token* token)
{
    return token && (token->kind == TokenKind::Second || token->kind == TokenKind::ElapsedSeconds);
}

// "m" and "mm" are minutes right after an hour or right before seconds; otherwise months.
bool isMinute(const std::vector<Token>& tokens, size_t i)
{
    return tokens[i].count <= 2 && (isHourPart(neighbourDatePart(tokens, i, -1)) ||
                                    isSecondPart(neighbourDatePart(tokens, i, +1)));
}

// "ss.00": the point and the zeros after seconds become tenths, hundredths or thousandths;
// any other point is a literal.
void resolveSecondFraction(Section& section, size_t i)
{
    std::vector<Token>& tokens = section.tokens;
    size_t end = i + 1;
    while (end < tokens.size() && tokens[end].kind == TokenKind::Digit && tokens[end].text == "0") {
        ++end;
    }
    if (end == i + 1 || !isSecondPart(neighbourDatePart(tokens, i, -1))) {
        turnIntoLiteral(tokens[i]);
        return;
    }
    tokens[i].kind = TokenKind::SecondFraction;
    tokens[i].count = std::min(3, static_cast<int>(end - i - 1));
    section.secondDecimals = std::max(section.secondDecimals, tokens[i].count);
    tokens.erase(tokens.begin() + static_cast<ptrdiff_t>(i) + 1,
                 tokens.begin() + static_cast<ptrdiff_t>(end));
}

void noteDateAndTimeParts(Section& section)
{
    for (const Token& token : section.tokens) {
        section.hasDatePart = section.hasDatePart || isDayToken(token.kind);
        section.hasTimePart = section.hasTimePart || isTimeToken(token.kind);
    }
}

void resolveDateSection(Section& section)
{
    section.kind = SectionKind::Date;
    std::vector<Token>& tokens = section.tokens;
    for (size_t i = 0; i < tokens.size(); ++i) {
        switch (tokens[i].kind) {
        case TokenKind::Month:
            if (isMinute(tokens, i)) {
                tokens[i].kind = TokenKind::Minute;
            }
            break;
        case TokenKind::DecimalPoint:
            resolveSecondFraction(section, i);
            break;
        case TokenKind::AmPm:
            section.twelveHour = true;
            break;
        case TokenKind::Digit:
        case TokenKind::Exponent:
        case TokenKind::General:
        case TokenKind::TextPlaceholder:
            turnIntoLiteral(tokens[i]);
            break;
        default:
            break;
        }
    }
    noteDateAndTimeParts(section);
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
    Section section = tokenizeSection(text);
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

ParsedFormat parseFormatCode(std::string_view code)
{
    ParsedFormat parsed;
    for (const std::string_view text : splitSections(code)) {
        parsed.sections.push_back(parseSection(text));
    }
    return parsed;
}

} // namespace spreadsheet::numfmt::detail
