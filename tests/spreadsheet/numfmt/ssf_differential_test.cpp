// Compares our formatter with the npm package ssf over a grid of formats and values. ssf is a
// widely used formatter written independently of ours; where the two differ, either we are
// wrong (and get fixed) or ssf differs from Excel, which ssf_exceptions.txt records with the
// reason. The test fails on any difference not listed there and on any listed one that no
// longer occurs, so the list stays true.

#include "spreadsheet/biff/strings.h"
#include "spreadsheet/numfmt/number_format.h"
#include "tests/support/oracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include <unistd.h> // getpid

namespace spreadsheet::numfmt {
namespace {

namespace fs = std::filesystem;

// How to get the reference formatter: ./test.sh installs it, or by hand in the source folder.
constexpr const char* kInstallSsf = "apt-get install nodejs npm, then in the source folder: "
                                    "npm install --prefix .test-tools ssf@0.11.2";

constexpr std::string_view kTemplateAccounting =
    R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))";

struct GridCase
{
    std::string code;
    std::variant<double, std::string> value;
    bool date1904 = false;
};

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out + '"';
}

// The value as a JSON literal: shortest round-trip digits for numbers.
std::string jsonValue(const std::variant<double, std::string>& value)
{
    if (const double* number = std::get_if<double>(&value)) {
        std::array<char, 32> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), *number);
        return std::string(buffer.data(), result.ptr);
    }
    return jsonString(std::get<std::string>(value));
}

// Reads the JSON string starting at text[at] (the opening quote); at moves past its end.
std::string readJsonString(std::string_view text, size_t& at)
{
    std::string out;
    for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] != '\\' || at + 1 >= text.size()) {
            out += text[at];
            continue;
        }
        const char escaped = text[++at];
        switch (escaped) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'u': {
            // A character beyond U+FFFF comes as its surrogate pair, two escapes in a row.
            std::u16string units;
            for (;;) {
                uint16_t unit = 0;
                std::from_chars(text.data() + at + 1, text.data() + at + 5, unit, 16);
                units.push_back(char16_t(unit));
                at += 4;
                if (unit < 0xD800 || unit >= 0xDC00 || text.substr(at + 1, 2) != "\\u")
                    break;
                at += 2;
            }
            spreadsheet::biff::appendUtf8(units, out);
            break;
        }
        default:
            out += escaped;
        }
    }
    ++at;
    return out;
}

// ssf's answer from one output line: {"r": text} or {"e": error}.
std::string ssfAnswer(std::string_view line)
{
    size_t at = line.find(':');
    if (at == std::string_view::npos || line.size() < 6) {
        return "(no answer)";
    }
    at = line.find('"', at);
    const std::string text = readJsonString(line, at);
    return line.substr(0, 5) == "{\"e\":" ? "ssf error: " + text : text;
}

// Number formats of every kind with values that test rounding, sizes, signs and zero.
std::vector<std::string> numberFormats()
{
    std::vector<std::string> codes = {"General",
                                      "0",
                                      "0.00",
                                      "#,##0",
                                      "#,##0.00",
                                      "0.0",
                                      "#.##",
                                      "0.##",
                                      "00000",
                                      "#,##0,",
                                      "0.0,,",
                                      "000-0000",
                                      "(###) ###-####",
                                      "0%",
                                      "0.00%",
                                      "0.000%",
                                      "0.00E+00",
                                      "##0.0E+0",
                                      "0.0E+00",
                                      "0.00E-00",
                                      "# ?/?",
                                      "# ?\?/?\?",
                                      "?/?",
                                      "# ?\?/16",
                                      "0 ?/8",
                                      "\"$\"#,##0",
                                      "[Red]0.00",
                                      "0.00;[Red]-0.00",
                                      "#,##0;(#,##0);\"zero\"",
                                      "[$€-407]#,##0.00",
                                      "0\" units\"",
                                      "\"Total: \"0.00",
                                      "_(* #,##0_)",
                                      "#,##0.00_);(#,##0.00)",
                                      "0.0%",
                                      "[Blue]General",
                                      "#,##0.000",
                                      "0.0000",
                                      "[Color 10]0.00",
                                      "[Green]#,##0;[Magenta]-#,##0",
                                      "\\$#,##0.00",
                                      "0\\%",
                                      "0.0?",
                                      "#,##0.0?",
                                      "?? ??",
                                      "*-0",
                                      "0*x",
                                      "_(0_)",
                                      "#,##0 \"items\"",
                                      "0.00 \"€\"",
                                      "[$$-409]#,##0.00",
                                      "[>100]0.0;[<=-100]-0.0;0",
                                      "[>=100][Red]0;[Blue]0",
                                      "[<=-5]\"low\";[>=5]\"high\";0",
                                      "[Red][<=100]0;[Blue][>100]0",
                                      "0.00;-0.00;\"zero\"",
                                      "\"+\"0;\"-\"0;0",
                                      "#,##0.00;;",
                                      "0;-0;;@"};
    for (const uint16_t id : {5, 6, 7, 8, 37, 38, 39, 40, 41, 42, 43, 44}) {
        codes.emplace_back(builtinFormatCode(id));
    }
    return codes;
}

std::vector<std::string> dateFormats()
{
    return {"m/d/yyyy",
            "d-mmm-yy",
            "d-mmm",
            "mmm-yy",
            "h:mm AM/PM",
            "h:mm:ss AM/PM",
            "h:mm",
            "h:mm:ss",
            "m/d/yyyy h:mm",
            "mm:ss",
            "[h]:mm:ss",
            "mmss.0",
            "yyyy-mm-dd",
            "dddd, mmmm d, yyyy",
            "d/m/yy h:mm:ss",
            "h:mm:ss.00",
            "[h]:mm",
            "[mm]:ss",
            "[ss]",
            "mmmmm",
            "ddd",
            "h AM/PM",
            "yy",
            "m/d/yy",
            "h:mm a/p",
            "[h]:mm:ss.0",
            "ss.000",
            "dd/mm/yyyy",
            "mmm d, yyyy",
            "yyyy\"年\"m\"月\"d\"日\"",
            "[$-409]h:mm:ss AM/PM",
            "[Red]m/d/yyyy",
            "d \\d\\a\\y\\s"};
}

std::vector<GridCase> buildGrid()
{
    const std::vector<double> numbers = {0,
                                         1,
                                         -1,
                                         0.5,
                                         -0.5,
                                         1234.5,
                                         -1234.5,
                                         1234567.891,
                                         0.001234,
                                         12345678901,
                                         123456789012,
                                         1e20,
                                         0.1 + 0.2,
                                         2.0 / 3.0,
                                         1e-10,
                                         -0.000001234,
                                         99.995,
                                         2.675,
                                         1e15,
                                         3.14159265358979,
                                         100,
                                         1000000,
                                         0.05,
                                         -45000.125,
                                         1e-5,
                                         0.00001234,
                                         1e100,
                                         123456.789,
                                         -150,
                                         5,
                                         -5};
    const std::vector<double> serials = {0,           1,
                                         59,          60,
                                         61,          38641,
                                         38641.5,     38641.999999,
                                         2958465,     45000.25,
                                         0.75,        1.5,
                                         1.0 / 86400, 12345.678,
                                         0.999999,    -1,
                                         2958466,     0.5 + 0.25 / 86400};
    std::vector<GridCase> grid;
    for (const std::string& code : numberFormats()) {
        for (const double number : numbers) {
            grid.push_back({code, number});
        }
    }
    for (const std::string& code : dateFormats()) {
        for (const double serial : serials) {
            grid.push_back({code, serial});
        }
        for (const double serial : {0.0, 1.0, 38641.0 - 1462, 2957003.0}) {
            grid.push_back({code, serial, true});
        }
    }
    const std::vector<std::string> textFormats = {"@",
                                                  "\"Name: \"@",
                                                  std::string(kTemplateAccounting),
                                                  "0;0;0;\"x\"@",
                                                  "General",
                                                  "0.00",
                                                  "@\" kg\"",
                                                  "[Red]@",
                                                  ";;;@",
                                                  "\"(\"@\")\"",
                                                  "0;0;0;_(@_)",
                                                  "0.00;@"};
    for (const std::string& code : textFormats) {
        for (const std::string text : {"abc", "", " x ", "12"}) {
            grid.push_back({code, text});
        }
    }
    return grid;
}

std::string ourAnswer(const GridCase& c)
{
    if (const double* number = std::get_if<double>(&c.value)) {
        return plainText(formatNumber(*number, c.code, c.date1904));
    }
    return plainText(formatText(std::get<std::string>(c.value), c.code));
}

std::string caseKey(std::string_view code, std::string_view value)
{
    return std::string(code) + '\x1f' + std::string(value);
}

struct Exception
{
    std::string ours;
    std::string ssf;
    bool seen = false;
};

// Lines of "format<TAB>value<TAB>ours<TAB>ssf<TAB>reason", the first four as JSON literals.
std::map<std::string, Exception> readExceptions(const fs::path& path)
{
    std::map<std::string, Exception> exceptions;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::vector<std::string_view> fields;
        std::string_view rest = line;
        for (size_t tab = rest.find('\t'); tab != std::string_view::npos; tab = rest.find('\t')) {
            fields.push_back(rest.substr(0, tab));
            rest.remove_prefix(tab + 1);
        }
        fields.push_back(rest);
        EXPECT_EQ(fields.size(), 5u) << "malformed exception line: " << line;
        EXPECT_FALSE(fields.size() == 5 && fields[4].empty())
            << "exception without a reason: " << line;
        if (fields.size() != 5) {
            continue;
        }
        size_t at = 0;
        const std::string code = readJsonString(fields[0], at);
        at = 0;
        const std::string ours = readJsonString(fields[2], at);
        at = 0;
        const std::string ssf = readJsonString(fields[3], at);
        exceptions[caseKey(code, fields[1])] = Exception{ours, ssf};
    }
    return exceptions;
}

std::vector<std::string> runSsf(const fs::path& ssfDir, const std::vector<GridCase>& grid)
{
    const fs::path work =
        fs::temp_directory_path() / ("numfmt-ssf-" + std::to_string(static_cast<long>(::getpid())));
    fs::create_directories(work);
    {
        std::ofstream in(work / "cases.jsonl");
        for (const GridCase& c : grid) {
            in << "{\"f\":" << jsonString(c.code) << ",\"v\":" << jsonValue(c.value)
               << (c.date1904 ? ",\"d\":1" : "") << "}\n";
        }
    }
    const fs::path script =
        fs::path(STOWFOLIO_SOURCE_DIR) / "tests/spreadsheet/numfmt/ssf_reference.js";
    const std::string command = "node '" + script.string() + "' '" + ssfDir.string() + "' < '" +
                                (work / "cases.jsonl").string() + "' > '" +
                                (work / "answers.jsonl").string() + "'";
    const int status = std::system(command.c_str());
    std::vector<std::string> answers;
    std::ifstream out(work / "answers.jsonl");
    std::string line;
    while (std::getline(out, line)) {
        answers.push_back(ssfAnswer(line));
    }
    fs::remove_all(work);
    EXPECT_EQ(status, 0) << command;
    return answers;
}

TEST(NumberFormatAgainstSsf, EveryDifferenceIsExplained)
{
    const fs::path root(STOWFOLIO_SOURCE_DIR);
    const fs::path ssfDir = root / ".test-tools/node_modules/ssf";
    if (std::system("command -v node > /dev/null 2>&1") != 0 || !fs::exists(ssfDir / "ssf.js")) {
        STOWFOLIO_ORACLE_MISSING("node with the npm package ssf 0.11.2 in .test-tools",
                                 kInstallSsf);
    }
    // The listed differences are those of this version; another one differs elsewhere.
    std::ifstream package(ssfDir / "package.json");
    const std::string manifest{std::istreambuf_iterator<char>(package), {}};
    if (manifest.find("\"version\": \"0.11.2\"") == std::string::npos) {
        STOWFOLIO_ORACLE_MISSING("ssf 0.11.2 (another version is in .test-tools)", kInstallSsf);
    }
    const std::vector<GridCase> grid = buildGrid();
    const std::vector<std::string> answers = runSsf(ssfDir, grid);
    ASSERT_EQ(answers.size(), grid.size());
    std::map<std::string, Exception> exceptions =
        readExceptions(root / "tests/spreadsheet/numfmt/ssf_exceptions.txt");

    std::ostringstream unexplained;
    int unexplainedCount = 0;
    for (size_t i = 0; i < grid.size(); ++i) {
        const std::string ours = ourAnswer(grid[i]);
        if (ours == answers[i]) {
            continue;
        }
        // The value column says "1904" after the value for the 1904 date system.
        const std::string value = jsonValue(grid[i].value) + (grid[i].date1904 ? " 1904" : "");
        const auto found = exceptions.find(caseKey(grid[i].code, value));
        if (found != exceptions.end() && found->second.ours == ours &&
            found->second.ssf == answers[i]) {
            found->second.seen = true;
            continue;
        }
        ++unexplainedCount;
        unexplained << jsonString(grid[i].code) << '\t' << value << '\t' << jsonString(ours) << '\t'
                    << jsonString(answers[i]) << "\t(reason)\n";
    }
    EXPECT_EQ(unexplainedCount, 0) << "differences from ssf without a listed reason:\n"
                                   << unexplained.str();
    for (const auto& [key, exception] : exceptions) {
        EXPECT_TRUE(exception.seen)
            << "listed difference no longer occurs: " << key.substr(0, key.find('\x1f')) << " with "
            << key.substr(key.find('\x1f') + 1);
    }
}

} // namespace
} // namespace spreadsheet::numfmt
