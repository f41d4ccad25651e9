#include "spreadsheet/formula/evaluate.h"

#include "spreadsheet/formula/functions.h"

#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace spreadsheet::formula {

namespace {

using Kind = CachedValue::Kind;

// Thrown inside the evaluator when a formula uses something it does not compute; caught at
// the top so that the formula is left to the spreadsheet program.
struct NotComputable
{
};

CachedValue numberValue(double number)
{
    CachedValue value;
    value.kind = Kind::Number;
    value.number = number;
    return value;
}

CachedValue errorValue(ErrorCode code)
{
    CachedValue value;
    value.kind = Kind::Error;
    value.flag = static_cast<uint8_t>(code);
    return value;
}

CachedValue booleanValue(bool flag)
{
    CachedValue value;
    value.kind = Kind::Boolean;
    value.flag = flag ? 1 : 0;
    return value;
}

CachedValue stringValue(std::string text)
{
    CachedValue value;
    value.kind = Kind::String;
    value.text = std::move(text);
    return value;
}

// Excel's arithmetic on a finite double; infinities and NaN are #NUM!.
CachedValue checkedNumber(double number)
{
    return std::isfinite(number) ? numberValue(number) : errorValue(ErrorCode::Num);
}

std::optional<double> parseNumber(const std::string& text)
{
    const char* begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    if (*begin == '\0')
        return std::nullopt;
    char* end = nullptr;
    const double number = std::strtod(begin, &end);
    while (std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end != '\0' || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::string generalText(double number)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    return buffer;
}

// An operand on the evaluation stack: a value, or a rectangle of one sheet.
struct Operand
{
    CachedValue value;
    bool isReference = false;
    uint32_t sheet = 0;
    CellRange area;
};

enum class FormulaState : uint8_t
{
    NotVisited,
    InProgress,
    Done,
    Failed
};

class Calculator
{
public:
    explicit Calculator(const Workbook& book) : m_book(book)
    {
        for (const Worksheet& sheet : book.sheets) {
            m_states.emplace_back(sheet.formulas.size(), FormulaState::NotVisited);
            m_results.emplace_back(sheet.formulas.size());
        }
    }

    // The value of one stored formula, computed once.
    std::optional<CachedValue> formulaValue(uint32_t sheet, uint32_t index)
    {
        if (sheet >= m_states.size() || index >= m_states[sheet].size())
            return std::nullopt;
        FormulaState& state = m_states[sheet][index];
        if (state == FormulaState::Done)
            return m_results[sheet][index];
        if (state != FormulaState::NotVisited)
            return std::nullopt; // failed before, or circular
        state = FormulaState::InProgress;
        const Formula& formula = m_book.sheets[sheet].formulas[index];
        auto result = evaluateBytes(formula, {sheet, formula.row, formula.column});
        state = result ? FormulaState::Done : FormulaState::Failed;
        if (result)
            m_results[sheet][index] = *result;
        return result;
    }

    std::optional<CachedValue> evaluate(const std::vector<Token>& tokens, const CellPosition& at)
    {
        try {
            return run(tokens, at);
        } catch (const NotComputable&) {
            return std::nullopt;
        }
    }

private:
    std::optional<CachedValue> evaluateBytes(const Formula& formula, const CellPosition& at)
    {
        if (!formula.extraData.empty())
            return std::nullopt; // array constants and the like
        try {
            return evaluate(parseTokens(formula.tokens), at);
        } catch (const Error&) {
            return std::nullopt;
        }
    }

    CachedValue run(const std::vector<Token>& tokens, const CellPosition& at)
    {
        std::vector<Operand> stack;
        for (const Token& token : tokens)
            step(stack, token, at);
        if (stack.size() != 1)
            throw NotComputable{};
        CachedValue result = scalar(stack.back());
        // A formula that shows an empty cell shows 0.
        return result.kind == Kind::Empty ? numberValue(0) : result;
    }

    CachedValue cellValue(uint32_t sheet, uint32_t row, uint16_t column)
    {
        const Cell* cell = m_book.sheets[sheet].findCell(row, column);
        if (!cell)
            return {Kind::Empty, 0, {}, 0};
        switch (cell->kind) {
        case CellKind::Blank:
            return {Kind::Empty, 0, {}, 0};
        case CellKind::Number:
            return numberValue(cell->number);
        case CellKind::String:
            if (cell->index >= m_book.strings.size())
                throw NotComputable{};
            return stringValue(m_book.strings.at(cell->index).text);
        case CellKind::Boolean:
            return booleanValue(cell->flag != 0);
        case CellKind::Error:
            return errorValue(static_cast<ErrorCode>(cell->flag));
        case CellKind::Formula:
            if (auto value = formulaValue(sheet, cell->index))
                return *value;
            throw NotComputable{};
        }
        throw NotComputable{};
    }

    // A single value of an operand: a one-cell reference gives that cell's value. Larger areas
    // would need Excel's implicit intersection, which is not computed here.
    CachedValue scalar(const Operand& operand)
    {
        if (!operand.isReference)
            return operand.value;
        const CellRange& a = operand.area;
        if (a.firstRow != a.lastRow || a.firstColumn != a.lastColumn)
            throw NotComputable{};
        return cellValue(operand.sheet, a.firstRow, a.firstColumn);
    }

    static CachedValue toNumber(const CachedValue& value)
    {
        switch (value.kind) {
        case Kind::Number:
        case Kind::Error:
            return value;
        case Kind::Boolean:
            return numberValue(value.flag ? 1 : 0);
        case Kind::Empty:
            return numberValue(0);
        case Kind::String:
            if (auto number = parseNumber(value.text))
                return numberValue(*number);
            return errorValue(ErrorCode::Value);
        }
        return errorValue(ErrorCode::Value);
    }

    static std::string toText(const CachedValue& value)
    {
        switch (value.kind) {
        case Kind::Number:
            return generalText(value.number);
        case Kind::Boolean:
            return value.flag ? "TRUE" : "FALSE";
        case Kind::String:
            return value.text;
        default:
            return {};
        }
    }

    // Excel orders numbers before texts before logical values; texts compare without case.
    static int compare(const CachedValue& left, const CachedValue& right)
    {
        auto rank = [](const CachedValue& v) {
            return v.kind == Kind::Number ? 0 : v.kind == Kind::String ? 1 : 2;
        };
        auto normalised = [&](const CachedValue& v, const CachedValue& other) {
            if (v.kind != Kind::Empty)
                return v;
            if (other.kind == Kind::String)
                return stringValue("");
            if (other.kind == Kind::Boolean)
                return booleanValue(false);
            return numberValue(0);
        };
        const CachedValue a = normalised(left, right);
        const CachedValue b = normalised(right, left);
        if (rank(a) != rank(b))
            return rank(a) < rank(b) ? -1 : 1;
        if (a.kind == Kind::String) {
            std::string x = a.text, y = b.text;
            for (std::string* s : {&x, &y})
                std::transform(s->begin(), s->end(), s->begin(),
                               [](unsigned char c) { return std::tolower(c); });
            return x < y ? -1 : x > y ? 1 : 0;
        }
        const double x = a.kind == Kind::Number ? a.number : a.flag;
        const double y = b.kind == Kind::Number ? b.number : b.flag;
        return x < y ? -1 : x > y ? 1 : 0;
    }

    static Operand pop(std::vector<Operand>& stack)
    {
        if (stack.empty())
            throw NotComputable{};
        Operand top = std::move(stack.back());
        stack.pop_back();
        return top;
    }

    CachedValue arithmetic(uint8_t op, const CachedValue& l, const CachedValue& r)
    {
        const CachedValue a = toNumber(l);
        const CachedValue b = toNumber(r);
        if (a.kind == Kind::Error)
            return a;
        if (b.kind == Kind::Error)
            return b;
        switch (op) {
        case ptg::Add:
            return checkedNumber(a.number + b.number);
        case ptg::Sub:
            return checkedNumber(a.number - b.number);
        case ptg::Mul:
            return checkedNumber(a.number * b.number);
        case ptg::Div:
            return b.number == 0 ? errorValue(ErrorCode::Div0) : checkedNumber(a.number / b.number);
        default:
            if (a.number == 0 && b.number <= 0)
                return errorValue(b.number == 0 ? ErrorCode::Num : ErrorCode::Div0);
            return checkedNumber(std::pow(a.number, b.number));
        }
    }

    CachedValue comparison(uint8_t op, const CachedValue& l, const CachedValue& r)
    {
        if (l.kind == Kind::Error)
            return l;
        if (r.kind == Kind::Error)
            return r;
        const int c = compare(l, r);
        switch (op) {
        case ptg::Lt:
            return booleanValue(c < 0);
        case ptg::Le:
            return booleanValue(c <= 0);
        case ptg::Eq:
            return booleanValue(c == 0);
        case ptg::Ge:
            return booleanValue(c >= 0);
        case ptg::Gt:
            return booleanValue(c > 0);
        default:
            return booleanValue(c != 0);
        }
    }

    void binary(std::vector<Operand>& stack, uint8_t op)
    {
        const CachedValue right = scalar(pop(stack));
        const CachedValue left = scalar(pop(stack));
        Operand result;
        if (op >= ptg::Add && op <= ptg::Power) {
            result.value = arithmetic(op, left, right);
        } else if (op == ptg::Concat) {
            result.value = left.kind == Kind::Error    ? left
                           : right.kind == Kind::Error ? right
                                                       : stringValue(toText(left) + toText(right));
        } else {
            result.value = comparison(op, left, right);
        }
        stack.push_back(std::move(result));
    }

    // SUM: numbers in references count, texts and logical values there are skipped; typed
    // arguments count as numbers when they read as one.
    CachedValue sum(const std::vector<Operand>& arguments)
    {
        double total = 0;
        for (const Operand& argument : arguments) {
            if (!argument.isReference) {
                const CachedValue number = toNumber(argument.value);
                if (number.kind == Kind::Error)
                    return number;
                total += number.number;
                continue;
            }
            const Worksheet& sheet = m_book.sheets[argument.sheet];
            const CellRange& a = argument.area;
            const uint32_t lastRow = std::min(a.lastRow + 1, sheet.rowCount());
            for (uint32_t row = a.firstRow; row < lastRow; ++row) {
                for (const Cell& cell : sheet.rows[row].cells) {
                    if (cell.column < a.firstColumn || cell.column > a.lastColumn)
                        continue;
                    const CachedValue value = cellValue(argument.sheet, row, cell.column);
                    if (value.kind == Kind::Error)
                        return value;
                    if (value.kind == Kind::Number)
                        total += value.number;
                }
            }
        }
        return checkedNumber(total);
    }

    CachedValue call(uint16_t function, std::vector<Operand> arguments, const CellPosition& at)
    {
        switch (function) {
        case function::Sum:
            return sum(arguments);
        case function::Mod: {
            if (arguments.size() != 2)
                throw NotComputable{};
            const CachedValue a = toNumber(scalar(arguments[0]));
            const CachedValue b = toNumber(scalar(arguments[1]));
            if (a.kind == Kind::Error)
                return a;
            if (b.kind == Kind::Error)
                return b;
            if (b.number == 0)
                return errorValue(ErrorCode::Div0);
            return checkedNumber(a.number - b.number * std::floor(a.number / b.number));
        }
        case function::Row:
        case function::Column: {
            if (arguments.size() > 1 || (arguments.size() == 1 && !arguments[0].isReference))
                throw NotComputable{};
            const bool row = function == function::Row;
            if (arguments.empty())
                return numberValue(row ? at.row + 1.0 : at.column + 1.0);
            const CellRange& a = arguments[0].area;
            return numberValue(row ? a.firstRow + 1.0 : a.firstColumn + 1.0);
        }
        default:
            throw NotComputable{};
        }
    }

    void callFunction(std::vector<Operand>& stack, uint16_t function, size_t argc,
                      const CellPosition& at)
    {
        if (argc > stack.size())
            throw NotComputable{};
        std::vector<Operand> arguments(std::make_move_iterator(stack.end() - argc),
                                       std::make_move_iterator(stack.end()));
        stack.resize(stack.size() - argc);
        Operand result;
        result.value = call(function, std::move(arguments), at);
        stack.push_back(std::move(result));
    }

    // The sheet a 3-D reference names, when it names exactly one sheet of this workbook.
    uint32_t sheetOf(const Token& token, const CellPosition& at) const
    {
        if (token.id != ptg::Ref3d && token.id != ptg::Area3d)
            return at.sheet;
        if (token.sheet >= m_book.externSheets.size())
            throw NotComputable{};
        const ExternSheet& xti = m_book.externSheets[token.sheet];
        if (xti.firstSheet != xti.lastSheet || xti.firstSheet >= m_book.sheets.size())
            throw NotComputable{};
        return xti.firstSheet;
    }

    Operand reference(const Token& token, const CellPosition& at) const
    {
        if (token.id == ptg::RefN || token.id == ptg::AreaN)
            throw NotComputable{}; // only formulas of cells are evaluated here
        Operand operand;
        operand.isReference = true;
        operand.sheet = sheetOf(token, at);
        const bool area = token.id == ptg::Area || token.id == ptg::Area3d;
        const CellReference& last = area ? token.last : token.first;
        operand.area.firstRow = std::min(token.first.row, last.row);
        operand.area.lastRow = std::max(token.first.row, last.row);
        operand.area.firstColumn =
            std::min<uint16_t>(token.first.column & 0xFF, last.column & 0xFF);
        operand.area.lastColumn = std::max<uint16_t>(token.first.column & 0xFF, last.column & 0xFF);
        return operand;
    }

    void push(std::vector<Operand>& stack, CachedValue value)
    {
        Operand operand;
        operand.value = std::move(value);
        stack.push_back(std::move(operand));
    }

    void step(std::vector<Operand>& stack, const Token& token, const CellPosition& at)
    {
        switch (token.id) {
        case ptg::Add:
        case ptg::Sub:
        case ptg::Mul:
        case ptg::Div:
        case ptg::Power:
        case ptg::Concat:
        case ptg::Lt:
        case ptg::Le:
        case ptg::Eq:
        case ptg::Ge:
        case ptg::Gt:
        case ptg::Ne:
            return binary(stack, token.id);
        case ptg::Uplus:
        case ptg::Paren:
            return;
        case ptg::Uminus:
        case ptg::Percent: {
            const CachedValue value = toNumber(scalar(pop(stack)));
            if (value.kind == Kind::Error)
                return push(stack, value);
            return push(stack,
                        numberValue(token.id == ptg::Uminus ? -value.number : value.number / 100));
        }
        case ptg::MissArg:
            return push(stack, {Kind::Empty, 0, {}, 0});
        case ptg::Str:
            return push(stack, stringValue(token.text));
        case ptg::Err:
            return push(stack, errorValue(static_cast<ErrorCode>(token.byte)));
        case ptg::Bool:
            return push(stack, booleanValue(token.byte != 0));
        case ptg::Int:
            return push(stack, numberValue(token.index));
        case ptg::Num:
            return push(stack, numberValue(token.number));
        case ptg::Attr:
            if (token.byte & attr::Sum)
                return callFunction(stack, function::Sum, 1, at);
            if (token.byte & (attr::Choose | attr::If | attr::Goto))
                throw NotComputable{};
            return; // spaces and the volatile mark
        case ptg::Func: {
            auto info = functionInfo(token.index);
            if (!info || info->argumentCount < 0)
                throw NotComputable{};
            return callFunction(stack, token.index, static_cast<size_t>(info->argumentCount), at);
        }
        case ptg::FuncVar:
            return callFunction(stack, token.index & 0x7FFF, token.byte & 0x7F, at);
        case ptg::RefErr:
        case ptg::AreaErr:
        case ptg::RefErr3d:
        case ptg::AreaErr3d:
            return push(stack, errorValue(ErrorCode::Ref));
        default:
            if (!isOperandReference(token))
                throw NotComputable{};
            stack.push_back(reference(token, at));
        }
    }

    const Workbook& m_book;
    std::vector<std::vector<FormulaState>> m_states;
    std::vector<std::vector<CachedValue>> m_results;
};

} // namespace

std::optional<CachedValue> evaluate(const Workbook& book, const std::vector<Token>& tokens,
                                    const CellPosition& at)
{
    return Calculator(book).evaluate(tokens, at);
}

void refreshCachedResults(Workbook& book)
{
    Calculator calculator(book);
    std::vector<std::vector<std::optional<CachedValue>>> results(book.sheets.size());
    for (uint32_t s = 0; s < book.sheets.size(); ++s) {
        const auto& formulas = book.sheets[s].formulas;
        results[s].resize(formulas.size());
        for (uint32_t i = 0; i < formulas.size(); ++i)
            if (!formulas[i].removed)
                results[s][i] = calculator.formulaValue(s, i);
    }
    for (uint32_t s = 0; s < book.sheets.size(); ++s) {
        auto& formulas = book.sheets[s].formulas;
        for (uint32_t i = 0; i < formulas.size(); ++i) {
            if (formulas[i].removed)
                continue;
            if (results[s][i])
                formulas[i].cached = *results[s][i];
            else
                formulas[i].options |= kAlwaysCalculate | kCalculateOnLoad;
        }
    }
}

} // namespace spreadsheet::formula
