#include "app/report_evidence_source.h"

#include "evidence/attachment_file_store.h"
#include "state/inventory_store.h"

namespace stowfolio {

report::ReportEvidence reportEvidenceOf(InventoryStore& records, const AttachmentFileStore& files,
                                        const std::vector<Item>& items)
{
    report::ReportEvidence evidence;
    evidence.items.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (Attachment& attachment : records.attachments(items[i].id)) {
            QString path;
            try {
                path = files.pathOf(attachment.file.sha256);
            } catch (const std::exception&) {
                // A damaged record: the report says its file is missing.
            }
            evidence.items[i].push_back({std::move(attachment), path});
        }
    }
    return evidence;
}

} // namespace stowfolio
