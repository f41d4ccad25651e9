// The names a kit may hold and the manifest's format, line by line.

#include "claim_kit/claim_kit_error.h"
#include "claim_kit/kit_manifest.h"

#include <gtest/gtest.h>

namespace stowfolio::claimkit {
namespace {

TEST(KitNames, EachNameIsJudged)
{
    struct Case
    {
        std::string name;
        bool allowed;
    };
    const Case cases[] = {
        {"items.csv", true},
        {"photos/12/tv.jpg", true},
        {"photos/12/sofa \xc3\xa9.jpg", true},
        {"a..b/c...d", true},
        {"", false},
        {"/etc/passwd", false},
        {"../x", false},
        {"a/../../x", false},
        {"a/..", false},
        {"./x", false},
        {"a//x", false},
        {"a/", false},
        {"a\\x", false},
        {"C:x", false},
        {"a\x01x", false},
        {"a\nx", false},
        {"bad \xc3(", false},            // not UTF-8
        {"over \xc0\xaf long", false},   // an overlong slash
        {std::string(1025, 'a'), false}, // too long
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameProblem(c.name).empty(), c.allowed) << c.name;
}

TEST(KitManifest, LinesAreInTheFormatSha256sumReads)
{
    ManifestEntry entry{"photos/1/tv.jpg", {}};
    entry.digest[0] = 0xab;
    entry.digest[31] = 0x01;
    const std::string line = manifestLine(entry);
    EXPECT_EQ(line, "ab" + std::string(60, '0') + "01  photos/1/tv.jpg\n");
    EXPECT_EQ(line.size(), manifestLineSize(entry.name));
}

TEST(KitManifest, ParsesWhatItWrites)
{
    ManifestEntry a{"a.txt", {}};
    ManifestEntry b{"dir/b.txt", {}};
    a.digest.fill(0x11);
    b.digest.fill(0xfe);
    const auto parsed = parseManifest(manifestLine(a) + manifestLine(b));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].name, "a.txt");
    EXPECT_EQ(parsed[1].name, "dir/b.txt");
    EXPECT_EQ(parsed[1].digest, b.digest);
    // sha256sum's binary-mode mark and capital digits are read too.
    const std::string binary = std::string(64, 'F') + " *c.txt\n";
    EXPECT_EQ(parseManifest(binary).at(0).digest[0], 0xff);
}

TEST(KitManifest, BadLinesAreRefused)
{
    const std::string hash(64, 'a');
    struct Case
    {
        std::string text;
        KitProblem problem;
    };
    const Case cases[] = {
        {hash + "  a.txt", KitProblem::Damaged},                        // no newline
        {hash.substr(1) + "  a.txt\n", KitProblem::Damaged},            // 63 digits
        {std::string(63, 'a') + "g  a.txt\n", KitProblem::Damaged},     // not hexadecimal
        {hash + " a.txt\n", KitProblem::Damaged},                       // one space
        {hash + "  \n", KitProblem::Damaged},                           // no name
        {hash + "  a.txt\n" + hash + "  a.txt\n", KitProblem::Damaged}, // twice
        {hash + "  manifest.sha256\n", KitProblem::Damaged},            // itself
        {hash + "  ../a.txt\n", KitProblem::UnsafeEntry},
        {hash + "  /a.txt\n", KitProblem::UnsafeEntry},
    };
    for (const Case& c : cases) {
        try {
            parseManifest(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ClaimKitError& error) {
            EXPECT_EQ(error.problem(), c.problem) << c.text;
        }
    }
    EXPECT_TRUE(parseManifest("").empty());
}

} // namespace
} // namespace stowfolio::claimkit
