// File ▸ Export Claim Kit…: the kit of what the window shows (app/claim_kit_export.h), with a
// password when the user wants one, typed twice.

#include "app/main_window.h"

#include "app/claim_kit_export.h"
#include "claim_kit/kit_writer.h"
#include "evidence/attachment_file_store.h"
#include "platform/prompts.h"
#include "platform/window_pointer.h"
#include "platform/work_progress.h"

#include <QDir>
#include <QStatusBar>

namespace stowfolio {

namespace {

const QString kKitTitle = QStringLiteral("Export Claim Kit");

// The password typed twice the same: empty for none, nothing when the user cancelled.
std::optional<QString> askKitPassword(Prompts& prompts)
{
    if (!prompts.askYesNo(QStringLiteral("Protect the claim kit with a password?\n\nA protected "
                                         "kit (AES-256) opens in 7-Zip and most archive "
                                         "programs, but not in every built-in one."),
                          kKitTitle, DefaultAnswer::No))
        return QString();
    if (!claimkit::passwordProtectionAvailable()) {
        prompts.showMessage(QStringLiteral("This build of Stowfolio cannot protect a kit with a "
                                           "password (its libzip has no AES-256)."),
                            kKitTitle, MessageIcon::Exclamation);
        return std::nullopt;
    }
    QString text = QStringLiteral("Password for the claim kit:");
    for (;;) {
        const std::optional<QString> first = prompts.askPassword(kKitTitle, text);
        if (!first)
            return std::nullopt;
        if (first->isEmpty()) {
            text = QStringLiteral("A password cannot be empty. Password for the claim kit:");
            continue;
        }
        const std::optional<QString> second =
            prompts.askPassword(kKitTitle, QStringLiteral("Type the password again:"));
        if (!second)
            return std::nullopt;
        if (*second == *first)
            return first;
        text = QStringLiteral("The two passwords were not the same. Password for the claim kit:");
    }
}

} // namespace

void MainWindow::exportClaimKit()
{
    ClaimKitRequest request;
    request.path = saveFileNameWithSuffix(m_deps.prompts, kKitTitle,
                                          QStringLiteral("Zip Archives (*.zip)|*.zip|"),
                                          QStringLiteral("zip"));
    if (request.path.isEmpty() || !confirmOverwrite(m_deps.prompts, request.path))
        return;
    const std::optional<ReadOnlyTarget> readOnly =
        confirmReplacingReadOnly(m_deps.prompts, request.path);
    if (!readOnly)
        return;
    request.readOnly = *readOnly;
    const std::optional<QString> password = askKitPassword(m_deps.prompts);
    if (!password)
        return;
    request.password = *password;
    request.inventory.ownerFields = ownerFieldTexts();
    request.inventory.items = m_model.items();
    request.inventory.conventions = m_model.conventions();

    std::optional<ClaimKitSummary> summary;
    try {
        const BusyPointer busy;
        repaintBeforeLongWork();
        WorkProgress progress(*this, QStringLiteral("Writing the claim kit…"),
                              WorkProgress::Stopping::Allowed);
        AttachmentFileStore files(attachmentFolderFor(m_deps.inventory.path()));
        summary = writeInventoryClaimKit(
            m_deps.excelFactory, m_deps.inventory, files, request,
            [&progress](int done, int total) { return progress.report(done, total); });
    } catch (const std::exception& error) {
        m_deps.prompts.showMessage(QStringLiteral("The claim kit %1 was not written: %2")
                                       .arg(request.path, QString::fromUtf8(error.what())),
                                   kKitTitle, MessageIcon::Exclamation);
        return;
    }
    if (!summary)
        return;
    const QString written =
        QStringLiteral("The claim kit %1 is written and checked: %2.")
            .arg(QDir::toNativeSeparators(request.path), contentsText(*summary));
    statusBar()->showMessage(written, 5000);
    m_deps.prompts.showMessage(written, kKitTitle, MessageIcon::None);
}

} // namespace stowfolio
