#pragma once

// The work folder holds a build's short-lived files (template copy, generated workbook,
// snapshot). It lives in a private folder of ours inside the temporary folder, so other users
// of the machine can neither plant files there nor read the inventory we write.

#include <QString>

#include <functional>

namespace stowfolio {

// The temporary folder: "TEMP", else "TMPDIR", else the system's.
QString temporaryFolder();

// Our private folder inside `parent`, created owner-only when missing. Throws when the path
// exists but is a link, not a folder, belongs to someone else or is open to others.
QString privateWorkFolder(const QString& parent);

// A digit 1..9 from a real random source; tests pass their own.
using DigitSource = std::function<int()>;
int randomDigit();

// Creates a new, empty file "wendax" + eight digits + ".xls" in `folder` exclusively (never an
// existing file) and returns its full path. Throws after too many collisions.
QString createGeneratedWorkbookFile(const QString& folder, const DigitSource& digit = randomDigit);

} // namespace stowfolio
