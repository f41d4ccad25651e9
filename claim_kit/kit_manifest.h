#pragma once

// The names a kit may hold and the manifest that lists them.
//
// A name is a relative path with forward slashes ("receipts/12/tv.pdf"), in UTF-8, that stays
// inside the folder the kit is unpacked into on any system: no leading slash or drive letter, no
// "." or ".." part, no empty part, no backslash, no control character. The writer refuses other
// names; the reader refuses a kit that holds one.
//
// The manifest, the entry manifest.sha256, has one line per other entry in the format
// `sha256sum -c` reads: 64 lowercase hexadecimal digits, two spaces, the name, a newline. A user
// who unpacks a kit with any zip program can check it with standard tools.

#include "digest/sha256.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace stowfolio::claimkit {

inline constexpr std::string_view kManifestName = "manifest.sha256";
// Longer names are refused: no file system holds a path part over 255 bytes, and no one types
// a folder nesting of this length.
inline constexpr size_t kMaxNameBytes = 1024;

// Why `name` (UTF-8) may not be a kit's entry name, as the end of a sentence ("it is absolute");
// empty when it may.
std::string nameProblem(std::string_view name);

struct ManifestEntry
{
    std::string name;
    Digest digest{};
};

// The manifest's line for one entry, and its length known before the digest is.
std::string manifestLine(const ManifestEntry& entry);
size_t manifestLineSize(std::string_view name);

// Reads a manifest. Throws ClaimKitError: Damaged for a line not in the format or a name listed
// twice, UnsafeEntry for a name nameProblem() refuses or the manifest's own name.
std::vector<ManifestEntry> parseManifest(std::string_view text);

} // namespace stowfolio::claimkit
