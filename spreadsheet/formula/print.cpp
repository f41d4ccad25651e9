#include "spreadsheet/formula/print.h"

#include "spreadsheet/formula/functions.h"
#include "spreadsheet/formula/shift.h"

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/error.h"

#include <cstdio>

namespace spreadsheet::formula {

std::string errorText(uint8_t code)
{
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    default:
        return "#ERR" + std::to_string(code) + "!";
    }
}

namespace {

[[noreturn]] void notAnExpression()
{
    throw Error("the formula's tokens do not form one expression");
}

std::string numberText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

// Texts joined by appending: a string literal in front of a std::string with operator+ sets
// off a false -Wrestrict warning in g++ 12 at -O3.
std::string joined(std::string_view a, std::string_view b, std::string_view c = {})
{
    std::string text;
    text.reserve(a.size() + b.size() + c.size());
    text.append(a).append(b).append(c);
    return text;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

class Printer
{
public:
    Printer(const std::vector<Token>& tokens, const PrintContext& context)
        : m_tokens(tokens), m_context(context)
    {
    }

    std::string run()
    {
        for (const Token& token : m_tokens)
            step(token);
        if (m_stack.size() != 1)
            notAnExpression();
        return m_stack.back();
    }

private:
    std::string pop()
    {
        if (m_stack.empty())
            notAnExpression();
        std::string top = std::move(m_stack.back());
        m_stack.pop_back();
        return top;
    }

    void binary(const char* op)
    {
        std::string right = pop();
        std::string left = pop();
        m_stack.push_back(left + op + right);
    }

    void call(std::string_view name, int argc)
    {
        if (argc < 0 || static_cast<size_t>(argc) > m_stack.size())
            notAnExpression();
        const size_t start = m_stack.size() - static_cast<size_t>(argc);
        std::string args;
        for (size_t i = start; i < m_stack.size(); ++i)
            args += (i > start ? "," : "") + m_stack[i];
        m_stack.resize(start);
        m_stack.push_back(std::string(name) + "(" + args + ")");
    }

    // The sheet row or column a stored one names (N forms hold offsets from the cell).
    uint32_t rowOf(const Token& token, const CellReference& cell) const
    {
        const bool relativeForm = token.id == ptg::RefN || token.id == ptg::AreaN;
        return relativeForm && cell.rowRelative ? (m_context.row + cell.row) % kMaxRows : cell.row;
    }
    uint16_t columnOf(const Token& token, const CellReference& cell) const
    {
        const bool relativeForm = token.id == ptg::RefN || token.id == ptg::AreaN;
        if (relativeForm && cell.columnRelative)
            return static_cast<uint16_t>((m_context.column + (cell.column & 0xFF)) % kMaxColumns);
        return cell.column & 0xFF;
    }

    std::string rowText(const Token& token, const CellReference& cell) const
    {
        return joined(cell.rowRelative ? "" : "$", std::to_string(rowOf(token, cell) + 1));
    }
    std::string columnText(const Token& token, const CellReference& cell) const
    {
        return joined(cell.columnRelative ? "" : "$", columnLetters(columnOf(token, cell)));
    }

    std::string reference(const Token& token) const
    {
        const std::string prefix = token.id == ptg::Ref3d || token.id == ptg::Area3d
                                       ? m_context.sheetName(token.sheet) + "!"
                                       : "";
        const bool area =
            token.id == ptg::Area || token.id == ptg::AreaN || token.id == ptg::Area3d;
        if (!area)
            return prefix + columnText(token, token.first) + rowText(token, token.first);
        const bool wholeColumns =
            rowOf(token, token.first) == 0 && rowOf(token, token.last) == kLastRow;
        const bool wholeRows =
            columnOf(token, token.first) == 0 && columnOf(token, token.last) == kMaxColumns - 1;
        if (wholeColumns)
            return prefix + columnText(token, token.first) + ":" + columnText(token, token.last);
        if (wholeRows)
            return prefix + rowText(token, token.first) + ":" + rowText(token, token.last);
        return prefix + columnText(token, token.first) + rowText(token, token.first) + ":" +
               columnText(token, token.last) + rowText(token, token.last);
    }

    void attribute(const Token& token)
    {
        if (token.byte & attr::Sum)
            call("SUM", 1);
        // Space, volatile and the IF/CHOOSE jump attributes change nothing in the text.
    }

    void function(const Token& token, int argc)
    {
        auto info = functionInfo(token.index & 0x7FFF);
        const std::string name =
            info ? std::string(info->name) : "FUNCTION" + std::to_string(token.index & 0x7FFF);
        if (argc < 0) {
            if (!info || info->argumentCount < 0)
                throw Error("the formula calls function " + std::to_string(token.index) +
                            ", whose argument count is unknown");
            argc = info->argumentCount;
        }
        call(name, argc);
    }

    void step(const Token& token)
    {
        switch (token.id) {
        case ptg::Add:
            return binary("+");
        case ptg::Sub:
            return binary("-");
        case ptg::Mul:
            return binary("*");
        case ptg::Div:
            return binary("/");
        case ptg::Power:
            return binary("^");
        case ptg::Concat:
            return binary("&");
        case ptg::Lt:
            return binary("<");
        case ptg::Le:
            return binary("<=");
        case ptg::Eq:
            return binary("=");
        case ptg::Ge:
            return binary(">=");
        case ptg::Gt:
            return binary(">");
        case ptg::Ne:
            return binary("<>");
        case ptg::Isect:
            return binary(" ");
        case ptg::Union:
            return binary(",");
        case ptg::Range:
            return binary(":");
        case ptg::Uplus:
            m_stack.push_back(joined("+", pop()));
            return;
        case ptg::Uminus:
            m_stack.push_back(joined("-", pop()));
            return;
        case ptg::Percent:
            m_stack.push_back(pop() + "%");
            return;
        case ptg::Paren:
            m_stack.push_back(joined("(", pop(), ")"));
            return;
        case ptg::MissArg:
            m_stack.emplace_back();
            return;
        case ptg::Str:
            m_stack.push_back(quoted(token.text));
            return;
        case ptg::Attr:
            return attribute(token);
        case ptg::Err:
            m_stack.push_back(errorText(token.byte));
            return;
        case ptg::Bool:
            m_stack.emplace_back(token.byte ? "TRUE" : "FALSE");
            return;
        case ptg::Int:
            m_stack.push_back(std::to_string(token.index));
            return;
        case ptg::Num:
            m_stack.push_back(numberText(token.number));
            return;
        case ptg::Array:
            m_stack.emplace_back("{array}");
            return;
        case ptg::Func:
            return function(token, -1);
        case ptg::FuncVar:
            return function(token, token.byte & 0x7F);
        case ptg::Name:
            m_stack.push_back(m_context.definedName(token.index));
            return;
        case ptg::NameX:
            m_stack.push_back(m_context.sheetName(token.sheet) + "!" +
                              m_context.definedName(token.index));
            return;
        case ptg::RefErr:
        case ptg::AreaErr:
            m_stack.emplace_back("#REF!");
            return;
        case ptg::RefErr3d:
        case ptg::AreaErr3d:
            m_stack.push_back(m_context.sheetName(token.sheet) + "!#REF!");
            return;
        case ptg::Exp:
        case ptg::Tbl:
            m_stack.push_back("{shared at " + columnLetters(token.sheet & 0xFF) +
                              std::to_string(token.index + 1) + "}");
            return;
        case ptg::MemArea:
        case ptg::MemErr:
        case ptg::MemNoMem:
        case ptg::MemFunc:
            return; // the sub-expression that follows prints itself
        default:
            if (isOperandReference(token))
                m_stack.push_back(reference(token));
            return;
        }
    }

    const std::vector<Token>& m_tokens;
    const PrintContext& m_context;
    std::vector<std::string> m_stack;
};

} // namespace

std::string formulaText(const std::vector<Token>& tokens, const PrintContext& context)
{
    return Printer(tokens, context).run();
}

} // namespace spreadsheet::formula
