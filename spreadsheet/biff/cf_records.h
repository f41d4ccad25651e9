#pragma once

// Conditional formats: CFHEADER and the CFRULE records that follow it.

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/worksheet.h"

namespace spreadsheet::biff {

// The ranges of a CFHEADER; `ruleCount` receives the number of CFRULE records that follow.
ConditionalFormat readCfHeader(ByteReader& in, uint16_t& ruleCount);
ConditionalRule readCfRule(ByteReader& in);
// CFHEADER with its rules; `id` numbers the written formats of a sheet from 1. A format without
// ranges (its rows deleted) or without rules is not written: false.
bool writeConditionalFormat(RecordWriter& out, const ConditionalFormat& format, uint16_t id);

} // namespace spreadsheet::biff
