#pragma once

// The command-line jobs that run without a window. Each returns the process's exit code and
// prints nothing but errors (to standard error).

#include "app/command_line.h"

#include <QString>

namespace stowfolio {

// Builds the inventory stored in the settings file and writes it to `path`.
int runExport(const QString& path);

// Draws the used range of the active sheet of the workbook `input` (or the cells `range`
// names, "A1:L200") into the PNG `output`. A picture too large to draw within
// render::PictureLimits is refused with its size, the limit and a range that would fit.
int runRender(const QString& input, const QString& output, const QString& range = QString());

// Writes the stored item list to `path` as CSV.
int runCsvExport(const QString& path);

// Adds the items of `path` to the stored list and says on standard output what was added, left
// out and skipped. Owner and insurance fields from a workbook fill the stored ones only when
// those are all empty: there is no one to ask. The files an "Attachments" column names, or a
// claim kit holds, are kept with their items (app/import_with_attachments.h); a protected kit
// is opened with the password on the first line of `passwordFile`. Either everything is added
// or nothing.
int runImport(const QString& path, const QString& passwordFile = QString());

// Builds the stored inventory and writes its report to `path` as PDF.
int runPdfReport(const QString& path);

// Writes the claim kit of the stored inventory to `path` (app/claim_kit_export.h), protected by
// the password on the first line of `passwordFile` unless that is empty, and says on standard
// output what it holds once it has been read back and checked.
int runClaimKit(const QString& path, const QString& passwordFile = QString());

// Called from a job's catch block: prints "<failure>: <why>" to standard error and returns the
// job's exit code, 1. Memory running out reads "not enough memory to <task>", not the name of
// the exception.
int reportJobFailure(const QString& failure, const QString& task);

// The job the options ask for.
int runHeadlessJob(const CommandLineOptions& options);

} // namespace stowfolio
