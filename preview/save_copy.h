#pragma once

#include "spreadsheet/files/atomic_file.h"

#include <QString>

namespace stowfolio::preview {

// Copies the file `source` to `target` through a temporary file in the target's folder and a
// rename, so that `target` is afterwards either the complete copy or what it was before; a
// failed copy never leaves a truncated workbook behind. Throws std::runtime_error naming the
// reason when the copy fails. A read-only target is replaced only with `readOnly` Replace.
void copyFileAtomically(
    const QString& source, const QString& target,
    spreadsheet::files::ReadOnlyTarget readOnly = spreadsheet::files::ReadOnlyTarget::Refuse);

} // namespace stowfolio::preview
