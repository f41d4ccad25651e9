#pragma once

// The items' attachments as the insurer's report takes them (report/report_evidence.h): read
// from the inventory database for the items in their list order, each with where its file is
// kept. Shared by the preview's Save as PDF and Print, the --pdf job and the claim kit.

#include "report/report_evidence.h"

#include <vector>

namespace stowfolio {

class AttachmentFileStore;
class InventoryStore;
struct Item;

// The evidence of `items`, in their order. A record naming no file the store could hold gets an
// empty path, which the report lists as missing. Throws DatabaseError when the records cannot
// be read.
report::ReportEvidence reportEvidenceOf(InventoryStore& records, const AttachmentFileStore& files,
                                        const std::vector<Item>& items);
// The same with the attachment store beside the database, which is opened (and made) only when
// an item has attachments: a report of items without any changes nothing on the disk.
report::ReportEvidence reportEvidenceOf(InventoryStore& records, const std::vector<Item>& items);

} // namespace stowfolio
