#include "tests/interop/interop_readers.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace interop {

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr int kReaderTimeoutMs = 120'000;
// LibreOffice's first start in a fresh profile takes several seconds; a batch of conversions
// then takes a few more.
constexpr int kLibreOfficeTimeoutMs = 300'000;

QString scriptPath(const char* name)
{
    return QDir(QStringLiteral(STOWFOLIO_INTEROP_SCRIPT_DIR)).filePath(QString::fromUtf8(name));
}

bool onPath(const char* program)
{
    return !QStandardPaths::findExecutable(QString::fromUtf8(program)).isEmpty();
}

struct ProcessOutput
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessOutput run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    ProcessOutput output;
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        output.err =
            (program + QStringLiteral(" did not finish: ") + process.errorString()).toUtf8();
        return output;
    }
    output.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    output.out = process.readAllStandardOutput();
    output.err = process.readAllStandardError();
    return output;
}

QJsonObject runDescriber(const char* script, QStringList arguments)
{
    arguments.prepend(scriptPath(script));
    const ProcessOutput output = run(QString::fromUtf8(kPython), arguments, kReaderTimeoutMs);
    if (output.exitCode != 0)
        throw std::runtime_error(std::string(script) + " failed: " + output.err.toStdString());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(output.out, &error);
    if (!document.isObject())
        throw std::runtime_error(std::string(script) +
                                 " printed no JSON object: " + error.errorString().toStdString());
    return document.object();
}

QStringList describerArguments(const std::string& path, const std::string& styleRange)
{
    QStringList arguments{QString::fromStdString(path)};
    if (!styleRange.empty())
        arguments << QStringLiteral("--styles") << QString::fromStdString(styleRange);
    return arguments;
}

// One private LibreOffice profile for the whole test process: runs in parallel then never share
// (and lock) a profile, and the slow first start happens once.
QString libreOfficeProfileUrl()
{
    static QTemporaryDir profile(QDir::tempPath() + QStringLiteral("/stowfolio-lo-XXXXXX"));
    return QStringLiteral("file://") + profile.path();
}

// Excel's column letters and row number of "F7" as zero-based indexes.
std::pair<int, int> parseRef(const std::string& ref)
{
    int column = 0;
    size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i)
        column = column * 26 + (ref[i] - 'A' + 1);
    if (i == 0 || i == ref.size())
        throw std::invalid_argument("not a cell address: " + ref);
    return {std::stoi(ref.substr(i)) - 1, column - 1};
}

std::string columnName(int column)
{
    std::string name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), char('A' + (column - 1) % 26));
    return name;
}

} // namespace

bool xlrdAvailable()
{
    static const bool available =
        QFileInfo::exists(QString::fromUtf8(kPython)) &&
        run(QString::fromUtf8(kPython), {QStringLiteral("-c"), QStringLiteral("import xlrd")},
            kReaderTimeoutMs)
                .exitCode == 0;
    return available;
}

bool gnumericAvailable()
{
    return QFileInfo::exists(QString::fromUtf8(kPython)) && onPath("ssconvert");
}

bool libreOfficeAvailable()
{
    return onPath("soffice");
}

bool popplerAvailable()
{
    return onPath("pdfinfo") && onPath("pdftotext");
}

std::string installCommand(std::initializer_list<std::string_view> readers)
{
    // Each reader (in lower case) and the Debian packages that bring it.
    static const std::map<std::string, std::string> kPackages = {
        {"xlrd", "python3-xlrd"},
        {"gnumeric", "gnumeric"},
        {"libreoffice", "libreoffice-calc-nogui poppler-utils"},
        {"poppler", "poppler-utils"},
    };
    std::string command = "apt-get install";
    for (std::string_view reader : readers) {
        std::string key(reader);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        const auto found = kPackages.find(key);
        if (found == kPackages.end())
            throw std::invalid_argument("no package known for the reader " + key);
        command += ' ' + found->second;
    }
    return command;
}

QJsonObject describeWithXlrd(const std::string& path)
{
    return runDescriber("describe_xls.py", {QString::fromStdString(path)});
}

QJsonObject describeWithGnumeric(const std::string& path, const std::string& styleRange)
{
    return runDescriber("describe_gnumeric.py", describerArguments(path, styleRange));
}

QJsonObject describeLibreOfficeConversion(const std::string& fodsPath,
                                          const std::string& styleRange)
{
    return runDescriber("describe_fods.py", describerArguments(fodsPath, styleRange));
}

void convertWithLibreOffice(const std::vector<std::string>& paths, const std::string& format,
                            const std::string& folder)
{
    // CSV: comma, double quote, UTF-8 (76), values as shown rather than as stored.
    const QString target = format == "csv"
                               ? QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,"
                                                "false,true,true")
                               : QString::fromStdString(format);
    const auto missing = [&] {
        std::vector<std::string> left;
        for (const std::string& path : paths)
            if (!QFileInfo::exists(QString::fromStdString(convertedPath(path, folder, format))))
                left.push_back(path);
        return left;
    };
    // A LibreOffice that sets up a fresh profile may restart itself and drop the conversions of
    // that first run, so what is missing gets one more run.
    ProcessOutput output;
    std::vector<std::string> left = paths;
    for (int attempt = 0; attempt < 2 && !left.empty(); ++attempt) {
        QStringList arguments{QStringLiteral("-env:UserInstallation=") + libreOfficeProfileUrl(),
                              QStringLiteral("--headless"),
                              QStringLiteral("--norestore"),
                              QStringLiteral("--convert-to"),
                              target,
                              QStringLiteral("--outdir"),
                              QString::fromStdString(folder)};
        for (const std::string& path : left)
            arguments << QString::fromStdString(path);
        output = run(QStringLiteral("soffice"), arguments, kLibreOfficeTimeoutMs);
        left = missing();
    }
    if (!left.empty())
        throw std::runtime_error("LibreOffice made no " + convertedPath(left[0], folder, format) +
                                 ": " + output.err.toStdString() + output.out.toStdString());
}

std::string convertedPath(const std::string& path, const std::string& folder,
                          const std::string& extension)
{
    const QString base = QFileInfo(QString::fromStdString(path)).completeBaseName();
    return QDir(QString::fromStdString(folder))
        .filePath(base + QLatin1Char('.') + QString::fromStdString(extension))
        .toStdString();
}

CsvTable readCsv(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    std::stringstream buffer;
    buffer << file.rdbuf();
    const std::string text = buffer.str();

    CsvTable table;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row.push_back(std::move(field));
            field.clear();
            table.push_back(std::move(row));
            row.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !row.empty()) {
        row.push_back(std::move(field));
        table.push_back(std::move(row));
    }
    return table;
}

std::string csvField(const CsvTable& table, const std::string& ref)
{
    const auto [row, column] = parseRef(ref);
    if (row >= int(table.size()) || column >= int(table[row].size()))
        return {};
    return table[row][column];
}

PdfDocument readPdf(const std::string& path)
{
    const QString file = QString::fromStdString(path);
    const ProcessOutput info = run(QStringLiteral("pdfinfo"), {file}, kReaderTimeoutMs);
    if (info.exitCode != 0)
        throw std::runtime_error("pdfinfo failed on " + path + ": " + info.err.toStdString());
    PdfDocument document;
    const QString text = QString::fromUtf8(info.out);
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text);
    const auto size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
    if (!pages.hasMatch() || !size.hasMatch())
        throw std::runtime_error("pdfinfo printed no page count or size for " + path);
    document.pages = pages.captured(1).toInt();
    document.widthPt = size.captured(1).toDouble();
    document.heightPt = size.captured(2).toDouble();

    const ProcessOutput pdfText =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")},
            kReaderTimeoutMs);
    if (pdfText.exitCode != 0)
        throw std::runtime_error("pdftotext failed on " + path + ": " + pdfText.err.toStdString());
    // pdftotext ends every page with a form feed.
    for (const QString& page : QString::fromUtf8(pdfText.out).split(QLatin1Char('\f'))) {
        if (int(document.pageTexts.size()) < document.pages)
            document.pageTexts.push_back(page.toStdString());
    }
    return document;
}

QJsonObject firstSheet(const QJsonObject& book)
{
    return book.value(QStringLiteral("sheets")).toArray().first().toObject();
}

CellMap cellsByRef(const QJsonObject& sheet)
{
    CellMap cells;
    for (const QJsonValue& value : sheet.value(QStringLiteral("cells")).toArray()) {
        const QJsonObject cell = value.toObject();
        cells.emplace(cell.value(QStringLiteral("ref")).toString().toStdString(), cell);
    }
    return cells;
}

QJsonObject xlrdFormatOf(const QJsonObject& book, const QJsonObject& cell)
{
    const QString xf = QString::number(cell.value(QStringLiteral("xf")).toInt());
    return book.value(QStringLiteral("formats")).toObject().value(xf).toObject();
}

std::string cellRef(int row, int column)
{
    return columnName(column) + std::to_string(row + 1);
}

std::vector<std::string> cellsOf(const std::string& range)
{
    const size_t colon = range.find(':');
    const auto [firstRow, firstColumn] = parseRef(range.substr(0, colon));
    const auto [lastRow, lastColumn] = colon == std::string::npos
                                           ? std::pair{firstRow, firstColumn}
                                           : parseRef(range.substr(colon + 1));
    std::vector<std::string> cells;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = firstColumn; column <= lastColumn; ++column)
            cells.push_back(cellRef(row, column));
    return cells;
}

} // namespace interop

namespace {

std::string compactJson(const QJsonValue& value)
{
    // QJsonDocument holds only arrays and objects: wrap anything else in an array.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2).toStdString();
}

} // namespace

void PrintTo(const QString& value, std::ostream* out)
{
    *out << '"' << value.toStdString() << '"';
}

void PrintTo(const QStringList& value, std::ostream* out)
{
    *out << compactJson(QJsonArray::fromStringList(value));
}

void PrintTo(const QJsonValue& value, std::ostream* out)
{
    *out << compactJson(value);
}

void PrintTo(const QJsonArray& value, std::ostream* out)
{
    *out << compactJson(value);
}

void PrintTo(const QJsonObject& value, std::ostream* out)
{
    *out << compactJson(value);
}
