// Items in and out of the list: CSV export, and import from CSV, TSV, Homebox's export and
// workbooks saved by this program, with a preview before anything changes.

#include "app/main_window.h"

#include "platform/file_helpers.h"
#include "platform/prompts.h"
#include "platform/work_progress.h"
#include "state/item_import.h"
#include "workbook/workbook_builder.h"
#include "workbook/workbook_import.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeView>

#include <algorithm>

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
    QStringLiteral("Inventory Files (*.csv;*.tsv;*.txt;*.xls)|*.csv;*.tsv;*.txt;*.xls|"
                   "All Files (*)|*|");

QString previewText(const ItemImport& imported, const QString& path)
{
    QString text = QStringLiteral("%1 items from %2 will be added at the end of the list.")
                       .arg(imported.items.size())
                       .arg(QFileInfo(path).fileName());
    if (imported.items.size() > kPreviewRows)
        text += QStringLiteral(" The first %1 are shown.").arg(kPreviewRows);
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
    const int room = kMaxInventoryItems - itemCount();
    ItemImport imported;
    const ImportSource source = openImportSource(path);
    if (looksLikeWorkbook(source)) {
        imported = importInventoryWorkbook(source, room, m_model.conventions());
    } else {
        // A large file shows how far reading has come, and can be cancelled.
        WorkProgress progress(*this, QStringLiteral("Reading %1…").arg(QFileInfo(path).fileName()),
                              WorkProgress::Stopping::Allowed);
        imported = importCsvSource(
            source, room, m_model.conventions(),
            [&progress](qint64 done, qint64 total) { return progress.report(done, total); });
    }
    if (!imported.problem.isEmpty()) {
        m_deps.prompts.showMessage(imported.problem, QString(), MessageIcon::Exclamation);
        return;
    }
    if (!m_deps.prompts.confirmTable(QStringLiteral("Import Items"), previewText(imported, path),
                                     columnCaptions(), imported.items.mid(0, kPreviewRows),
                                     QStringLiteral("Import")))
        return;
    takeOwnerFields(imported.ownerFields, path);
    m_undoStack.push(new InsertItemsCommand(*this, itemCount(), itemsOf(imported.items),
                                            QStringLiteral("Import Items")));
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
