#include "spreadsheet/numfmt/number_format.h"

#include "spreadsheet/numfmt/format_code.h"
#include "spreadsheet/numfmt/section_render.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace spreadsheet::numfmt {

namespace {

using detail::Condition;
using detail::ParsedFormat;
using detail::Section;
using detail::SectionKind;

// Parsed codes by their text. A sheet uses a handful of codes for many thousands of cells, so
// a thread's last code is kept aside and the shared table is simply emptied if it ever grows
// past its bound.
class FormatCache
{
public:
    std::shared_ptr<const ParsedFormat> get(std::string_view code)
    {
        thread_local std::string lastCode;
        thread_local std::shared_ptr<const ParsedFormat> lastFormat;
        if (lastFormat && lastCode == code) {
            return lastFormat;
        }
        std::shared_ptr<const ParsedFormat> format;
        {
            const std::lock_guard lock(m_mutex);
            const auto found = m_formats.find(code);
            if (found != m_formats.end()) {
                format = found->second;
            } else {
                if (m_formats.size() >= kMaxEntries) {
                    m_formats.clear();
                }
                format = std::make_shared<const ParsedFormat>(detail::parseFormatCode(code));
                m_formats.emplace(std::string(code), format);
            }
        }
        lastCode = code;
        lastFormat = format;
        return format;
    }

private:
    static constexpr size_t kMaxEntries = 4096;

    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>{}(text);
        }
    };

    std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const ParsedFormat>, Hash, std::equal_to<>>
        m_formats;
};

std::shared_ptr<const ParsedFormat> parsedFormat(std::string_view code)
{
    static FormatCache cache;
    return cache.get(code.empty() ? std::string_view("General") : code);
}

// Sections for numbers: all but a text section (the fourth, or a last one holding "@").
size_t numberSectionCount(const ParsedFormat& format)
{
    const size_t count = format.sections.size();
    if (count == 4 || (count > 1 && format.sections.back().kind == SectionKind::Text)) {
        return count - 1;
    }
    return count;
}

// The condition each number section stands for; nullopt accepts every value. Without
// conditions in the code: one section takes all, two split at zero (zero going first),
// three give positive, negative and zero. A first section with a condition and a second
// without it leaves the second for everything else.
std::optional<Condition> effectiveCondition(const ParsedFormat& format, size_t index)
{
    const std::vector<Section>& sections = format.sections;
    const size_t count = numberSectionCount(format);
    if (sections[index].condition) {
        return sections[index].condition;
    }
    if (index == 0 && count > 1) {
        return Condition{count == 2 ? Condition::Op::GreaterEqual : Condition::Op::Greater, 0};
    }
    if (index == 1 && !(count == 2 && sections[0].condition)) {
        return Condition{Condition::Op::Less, 0};
    }
    return std::nullopt;
}

struct SectionChoice
{
    const Section* section = nullptr;
    // Only the first section puts "-" in front of a negative value: the others show its
    // magnitude, the negative section because it says itself how negatives look.
    bool minusBelongs = false;
};

std::optional<SectionChoice> chooseSection(const ParsedFormat& format, double value)
{
    for (size_t i = 0; i < numberSectionCount(format); ++i) {
        const std::optional<Condition> condition = effectiveCondition(format, i);
        if (!condition || condition->holds(value)) {
            return SectionChoice{&format.sections[i], value < 0 && i == 0};
        }
    }
    return std::nullopt;
}

FormattedText cellFullOfHashes()
{
    FormattedText out;
    out.text = "#";
    out.fillPosition = 0;
    out.fillChar = "#";
    return out;
}

void prependMinus(FormattedText& out)
{
    out.text.insert(out.text.begin(), '-');
    for (Spacing& spacing : out.spacings) {
        ++spacing.position;
    }
    if (out.fillPosition) {
        ++*out.fillPosition;
    }
}

const Section* textSection(const ParsedFormat& format)
{
    const size_t count = format.sections.size();
    if (count == 4 || format.sections.back().kind == SectionKind::Text) {
        return &format.sections.back();
    }
    return nullptr;
}

bool hasPercent(const Section& section)
{
    return std::any_of(section.tokens.begin(), section.tokens.end(),
                       [](const detail::Token& t) { return t.kind == detail::TokenKind::Percent; });
}

FormatCategory numberCategory(const Section& section)
{
    if (section.integerDigits + section.decimalDigits == 0) {
        return FormatCategory::General;
    }
    if (hasPercent(section)) {
        return FormatCategory::Percent;
    }
    if (section.hasFill) {
        return FormatCategory::Accounting;
    }
    return section.hasCurrency ? FormatCategory::Currency : FormatCategory::Number;
}

} // namespace

FormattedText formatNumber(double value, std::string_view code, bool date1904)
{
    if (!std::isfinite(value)) {
        FormattedText out;
        out.text = "#NUM!";
        return out;
    }
    const std::shared_ptr<const ParsedFormat> format = parsedFormat(code);
    const std::optional<SectionChoice> choice = chooseSection(*format, value);
    if (!choice) {
        return cellFullOfHashes();
    }
    const Section& section = *choice->section;
    FormattedText out;
    // A value that shows as nothing but zeros (-0.001 in "0.00") takes no minus sign.
    bool showsNonZero = false;
    switch (section.kind) {
    case SectionKind::Date:
        if (!detail::renderDateSection(section, value, date1904, out)) {
            return cellFullOfHashes();
        }
        break;
    case SectionKind::Text: // "@" alone: numbers stay General
        out.text = formatGeneral(std::abs(value));
        showsNonZero = value != 0;
        break;
    default:
        showsNonZero = detail::renderNumberSection(section, std::abs(value), out);
        break;
    }
    if (choice->minusBelongs && showsNonZero) {
        prependMinus(out);
    }
    out.color = section.color;
    return out;
}

FormattedText formatText(std::string_view text, std::string_view code)
{
    const std::shared_ptr<const ParsedFormat> format = parsedFormat(code);
    FormattedText out;
    out.isNumberResult = false;
    if (const Section* section = textSection(*format)) {
        detail::renderTextSection(*section, text, out);
        out.color = section->color;
    } else {
        out.text = text;
    }
    return out;
}

FormatCategory categorize(std::string_view code)
{
    const Section& section = parsedFormat(code)->sections.front();
    switch (section.kind) {
    case SectionKind::Date:
        if (section.hasDatePart) {
            return section.hasTimePart ? FormatCategory::DateTime : FormatCategory::Date;
        }
        return FormatCategory::Time;
    case SectionKind::Text:
        return FormatCategory::Text;
    case SectionKind::Scientific:
        return FormatCategory::Scientific;
    case SectionKind::Fraction:
        return FormatCategory::Fraction;
    case SectionKind::Number:
        return numberCategory(section);
    case SectionKind::Literal:
        break;
    }
    return FormatCategory::General;
}

std::string plainText(const FormattedText& formatted)
{
    std::string text;
    size_t next = 0;
    for (const Spacing& spacing : formatted.spacings) {
        const size_t at = std::min(spacing.position, formatted.text.size());
        text.append(formatted.text, next, at - next);
        text.push_back(' ');
        next = at;
    }
    text.append(formatted.text, next, std::string::npos);
    return text;
}

} // namespace spreadsheet::numfmt
