#include "claim_kit/kit_manifest.h"

#include "claim_kit/claim_kit_error.h"

#include <QStringDecoder>

#include <unordered_set>

namespace stowfolio::claimkit {

namespace {

bool isValidUtf8(std::string_view text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    return !decoder.hasError();
}

QString quoted(std::string_view name)
{
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

} // namespace

std::string nameProblem(std::string_view name)
{
    if (name.empty())
        return "it is empty";
    if (name.size() > kMaxNameBytes)
        return "it is longer than " + std::to_string(kMaxNameBytes) + " bytes";
    if (!isValidUtf8(name))
        return "it is not valid UTF-8";
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return "it holds a control character";
        if (c == '\\')
            return "it holds a backslash";
    }
    if (name.front() == '/')
        return "it is absolute";
    // "C:" means a drive on Windows, where the kit may be unpacked too.
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return "it names a drive";
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, end - start);
        if (part.empty())
            return "it has an empty folder name";
        if (part == "..")
            return "it leads out of the kit's folder";
        if (part == ".")
            return "it has a \".\" folder";
        start = end + 1;
    }
    return {};
}

size_t manifestLineSize(std::string_view name)
{
    return 64 + 2 + name.size() + 1;
}

std::string manifestLine(const ManifestEntry& entry)
{
    return toHex(entry.digest) + "  " + entry.name + "\n";
}

std::vector<ManifestEntry> parseManifest(std::string_view text)
{
    std::vector<ManifestEntry> entries;
    std::unordered_set<std::string_view> seen;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        ++lineNumber;
        const size_t newline = text.find('\n', start);
        if (newline == std::string_view::npos)
            throw ClaimKitError(KitProblem::Damaged,
                                QStringLiteral("The kit's manifest is damaged: its last line is "
                                               "cut short."));
        const std::string_view line = text.substr(start, newline - start);
        start = newline + 1;
        ManifestEntry entry;
        // sha256sum marks a file read in binary mode with '*' instead of the second space.
        if (line.size() < 67 || !fromHex(line.substr(0, 64), entry.digest) || line[64] != ' ' ||
            (line[65] != ' ' && line[65] != '*'))
            throw ClaimKitError(KitProblem::Damaged,
                                QStringLiteral("The kit's manifest is damaged: line %1 is not a "
                                               "SHA-256 and a name.")
                                    .arg(lineNumber));
        const std::string_view name = line.substr(66);
        if (const std::string problem = nameProblem(name); !problem.empty())
            throw ClaimKitError(KitProblem::UnsafeEntry,
                                QStringLiteral("The kit's manifest lists a file it may not hold "
                                               "(line %1): %2.")
                                    .arg(lineNumber)
                                    .arg(QString::fromStdString(problem)),
                                quoted(name));
        if (name == kManifestName)
            throw ClaimKitError(KitProblem::Damaged,
                                QStringLiteral("The kit's manifest is damaged: it lists itself."),
                                quoted(name));
        if (!seen.insert(name).second)
            throw ClaimKitError(KitProblem::Damaged,
                                QStringLiteral("The kit's manifest is damaged: it lists %1 twice.")
                                    .arg(quoted(name)),
                                quoted(name));
        entry.name = std::string(name);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace stowfolio::claimkit
