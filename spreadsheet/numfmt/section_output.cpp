#include "spreadsheet/numfmt/section_render.h"

namespace spreadsheet::numfmt::detail {

bool appendLayoutToken(const Token& token, FormattedText& out)
{
    switch (token.kind) {
    case TokenKind::Literal:
    case TokenKind::Comma:
    case TokenKind::Percent:
        out.text += token.text;
        return true;
    case TokenKind::Spacing:
        out.spacings.push_back(Spacing{out.text.size(), token.text});
        return true;
    case TokenKind::Fill:
        // A cell fills at one place only; Excel ignores any further "*x".
        if (!out.fillPosition) {
            out.fillPosition = out.text.size();
            out.fillChar = token.text;
        }
        return true;
    case TokenKind::Hidden:
        return true;
    default:
        return false;
    }
}

void renderTextSection(const Section& section, std::string_view text, FormattedText& out)
{
    out.isNumberResult = false;
    for (const Token& token : section.tokens) {
        if (token.kind == TokenKind::TextPlaceholder) {
            out.text += text;
        } else if (!appendLayoutToken(token, out)) {
            out.text += token.text;
        }
    }
}

} // namespace spreadsheet::numfmt::detail
