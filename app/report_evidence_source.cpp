#include "app/report_evidence_source.h"

#include "evidence/attachment_file_store.h"
#include "state/inventory_store.h"

namespace stowfolio {

namespace {

report::ReportEvidence recordsOf(InventoryStore& records, const std::vector<Item>& items)
{
    report::ReportEvidence evidence;
    evidence.items.resize(items.size());
    std::vector<std::vector<Attachment>> kept = records.attachmentsOf(items);
    for (std::size_t i = 0; i < items.size(); ++i)
        for (Attachment& attachment : kept[i])
            evidence.items[i].push_back({std::move(attachment), QString()});
    return evidence;
}

void findFiles(report::ReportEvidence& evidence, const AttachmentFileStore& files)
{
    for (std::vector<report::EvidenceFile>& itemFiles : evidence.items)
        for (report::EvidenceFile& file : itemFiles) {
            try {
                file.path = files.pathOf(file.attachment.file.sha256);
            } catch (const std::exception&) {
                // A damaged record: the report says its file is missing.
            }
        }
}

} // namespace

report::ReportEvidence reportEvidenceOf(InventoryStore& records, const AttachmentFileStore& files,
                                        const std::vector<Item>& items)
{
    report::ReportEvidence evidence = recordsOf(records, items);
    findFiles(evidence, files);
    return evidence;
}

report::ReportEvidence reportEvidenceOf(InventoryStore& records, const std::vector<Item>& items)
{
    report::ReportEvidence evidence = recordsOf(records, items);
    if (!evidence.empty())
        findFiles(evidence, AttachmentFileStore(attachmentFolderFor(records.path())));
    return evidence;
}

} // namespace stowfolio
