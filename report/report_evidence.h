#pragma once

// The files kept with the items, as the report is given them: for each item, in the order of the
// inventory's list (the order of the workbook's item rows), its attachments' records and where
// each stored file lies. A plain value, made by the caller from the database, so that the report
// never reads the database itself. An empty value makes the report it has always been.

#include "state/attachment_records.h"

#include <QString>

#include <vector>

namespace stowfolio::report {

struct EvidenceFile
{
    Attachment attachment;
    QString path; // the stored file
};

struct ReportEvidence
{
    // items[i]: the files of the list's item i; missing at the end for items without any.
    std::vector<std::vector<EvidenceFile>> items;

    bool empty() const
    {
        for (const std::vector<EvidenceFile>& files : items)
            if (!files.empty())
                return false;
        return true;
    }
};

} // namespace stowfolio::report
