#pragma once

// The command-line jobs that run without a window. Each returns the process's exit code and
// prints nothing but errors (to standard error).

#include <QString>

namespace stowfolio {

// Builds the inventory stored in the settings file and writes it to `path`.
int runExport(const QString& path);

// Draws the used range of the active sheet of the workbook `input` into the PNG `output`.
int runRender(const QString& input, const QString& output);

} // namespace stowfolio
