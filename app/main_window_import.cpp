// Items in and out of the list: CSV export, and import from CSV, TSV, Homebox's export and
// workbooks saved by this program, with a preview before anything changes.

#include "app/main_window.h"

#include "app/import_with_attachments.h"
#include "evidence/attachment_file_store.h"
#include "platform/file_helpers.h"
#include "platform/prompts.h"
#include "platform/window_pointer.h"
#include "platform/work_progress.h"
#include "state/item_import.h"
#include "workbook/workbook_builder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace stowfolio {

namespace {

constexpr int kPreviewRows = 20;

std::vector<Item> itemsOf(const QList<QStringList>& rows)
{
    std::vector<Item> items;
    items.reserve(static_cast<std::size_t>(rows.size()));
    for (const QStringList& row : rows)
        items.push_back(itemFromTexts(row));
    return items;
}

const QString kImportFilter =
    QStringLiteral("Inventory Files (*.csv;*.tsv;*.txt;*.xls;*.zip)|*.csv;*.tsv;*.txt;*.xls;*.zip|"
                   "All Files (*)|*|");

QString previewText(const PreparedImport& prepared, const QString& path)
{
    const ItemImport& imported = prepared.imported;
    QString text = QStringLiteral("%1 will be added at the end of the list.")
                       .arg(importedContentsText(prepared, path));
    if (imported.items.size() > kPreviewRows)
        text += QStringLiteral(" The first %1 are shown.").arg(kPreviewRows);
    // A kit's files come from its own staging folder; a list's from wherever it names.
    if (const QStringList folders = attachmentFolders(prepared);
        !prepared.fromKit && !folders.isEmpty()) {
        constexpr qsizetype kFoldersShown = 3;
        text += QStringLiteral("\nThe attachments are copied from ") +
                folders.mid(0, kFoldersShown).join(QStringLiteral(", "));
        if (folders.size() > kFoldersShown)
            text += QStringLiteral(" and %1 more folders").arg(folders.size() - kFoldersShown);
        text += QLatin1Char('.');
    }
    for (const QString& line : importDetails(imported))
        text += QLatin1Char('\n') + line;
    return text;
}

} // namespace

void MainWindow::exportItemsAsCsv()
{
    const QString path =
        saveFileNameWithSuffix(m_deps.prompts, QStringLiteral("Export Items as CSV"),
                               QStringLiteral("CSV Files (*.csv)|*.csv|"), QStringLiteral("csv"));
    if (path.isEmpty() || !confirmOverwrite(m_deps.prompts, path))
        return;
    const std::optional<ReadOnlyTarget> readOnly = confirmReplacingReadOnly(m_deps.prompts, path);
    if (!readOnly)
        return;
    const std::vector<Item>& items = m_model.items();
    try {
        writeBytesToFile(itemsAsCsv(items), path, *readOnly);
        statusBar()->showMessage(
            QStringLiteral("%1 items exported to %2").arg(items.size()).arg(path), 5000);
    } catch (const std::exception& error) {
        m_deps.prompts.showMessage(QString::fromUtf8(error.what()), QString(),
                                   MessageIcon::Exclamation);
    }
}

void MainWindow::importItems()
{
    const QString path = m_deps.prompts.openFileName(QStringLiteral("Import Items"), kImportFilter);
    if (!path.isEmpty())
        importFile(path);
}

void MainWindow::importFile(const QString& path)
{
    const QString title = QStringLiteral("Import Items");
    const int room = kMaxInventoryItems - itemCount();
    // The dialog that says a kit is unpacking is there only while it unpacks: a password question
    // comes between two tries, and a progress dialog left waiting would show itself over it.
    std::optional<WorkProgress> unpacking;
    // A kit's password is asked again after a wrong one, until the user cancels.
    const KitPasswordSource askPassword =
        [this, &title, &path,
         &unpacking](const claimkit::ClaimKitError& problem) -> std::optional<QString> {
        unpacking.reset();
        return m_deps.prompts.askPassword(
            title, problem.problem() == claimkit::KitProblem::WrongPassword
                       ? QStringLiteral("The password is not right. Password for the claim kit "
                                        "%1:")
                             .arg(QFileInfo(path).fileName())
                       : QStringLiteral("The claim kit is protected by a password. Password:"));
    };
    PreparedImport prepared;
    try {
        const AttachmentFileStore files(attachmentFolderFor(m_deps.inventory.path()));
        if (isClaimKit(path)) {
            const BusyPointer busy;
            prepared = prepareImport(
                path, room, m_model.conventions(), files, {}, askPassword,
                [&](qint64 done, qint64 total) {
                    if (!unpacking)
                        unpacking.emplace(
                            *this, QStringLiteral("Unpacking %1…").arg(QFileInfo(path).fileName()),
                            WorkProgress::Stopping::NotAllowed);
                    return unpacking->report(done, total);
                });
            unpacking.reset();
        } else {
            // A large file shows how far reading has come, and can be cancelled.
            WorkProgress progress(*this,
                                  QStringLiteral("Reading %1…").arg(QFileInfo(path).fileName()),
                                  WorkProgress::Stopping::Allowed);
            prepared = prepareImport(
                path, room, m_model.conventions(), files, {}, {},
                [&progress](qint64 done, qint64 total) { return progress.report(done, total); });
        }
    } catch (const std::exception& error) {
        m_deps.prompts.showMessage(
            QStringLiteral("%1 cannot be imported: %2")
                .arg(QFileInfo(path).fileName(), QString::fromUtf8(error.what())),
            QString(), MessageIcon::Exclamation);
        return;
    }
    if (prepared.cancelled)
        return;
    const ItemImport& imported = prepared.imported;
    if (!imported.problem.isEmpty()) {
        m_deps.prompts.showMessage(imported.problem, QString(), MessageIcon::Exclamation);
        return;
    }
    if (prepared.attachmentCount() > 0 && !m_attachments) {
        m_deps.prompts.showMessage(QStringLiteral("The items of %1 bring files, and the "
                                                  "attachment store cannot be used: %2")
                                       .arg(QFileInfo(path).fileName(), m_attachmentsFailure),
                                   QString(), MessageIcon::Exclamation);
        return;
    }
    if (!m_deps.prompts.confirmTable(title, previewText(prepared, path), columnCaptions(),
                                     imported.items.mid(0, kPreviewRows), QStringLiteral("Import")))
        return;
    // The files go in with the first insert; undo takes the items out, and their attachment
    // records follow them back on redo, as after a delete.
    QString failure;
    InsertItemsCommand::AfterFirstInsert keepFiles;
    if (prepared.attachmentCount() > 0) {
        keepFiles = [this, &prepared, &failure](const std::vector<ItemId>& ids) {
            try {
                const BusyPointer busy;
                keepAttachments(m_attachments->keeper(), ids, prepared);
                return true;
            } catch (const std::exception& error) {
                failure = QString::fromUtf8(error.what());
                return false;
            }
        };
    }
    m_undoStack.push(new InsertItemsCommand(*this, itemCount(), itemsOf(imported.items), title,
                                            std::move(keepFiles)));
    if (!failure.isEmpty()) {
        m_deps.prompts.showMessage(
            QStringLiteral("Nothing of %1 was added: %2").arg(QFileInfo(path).fileName(), failure),
            QString(), MessageIcon::Exclamation);
        return;
    }
    // Asked once the items are in: an import that added nothing changes no details either.
    takeOwnerFields(imported.ownerFields, path);
}

// A workbook's owner and insurance details replace the ones typed only when the user says so.
void MainWindow::takeOwnerFields(const QStringList& fields, const QString& path)
{
    if (fields.size() != kOwnerFieldCount)
        return;
    const OwnerFieldsChoice choice = ownerFieldsChoice(ownerFieldTexts(), fields);
    if (choice == OwnerFieldsChoice::Keep)
        return;
    if (choice == OwnerFieldsChoice::Ask &&
        !m_deps.prompts.askYesNo(QStringLiteral("Replace the owner and insurance details in the "
                                                "window with those in %1?")
                                     .arg(QFileInfo(path).fileName()),
                                 QString(), DefaultAnswer::No))
        return;
    for (int i = 0; i < kOwnerFieldCount; ++i)
        m_ownerFields[i]->setText(fields[i]);
}

QStringList MainWindow::columnCaptions() const
{
    QStringList captions;
    for (int c = 0; c < columnCount(); ++c)
        captions << m_model.headerData(c, Qt::Horizontal).toString().trimmed();
    return captions;
}

} // namespace stowfolio
