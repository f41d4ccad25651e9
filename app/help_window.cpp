#include "app/help_window.h"

#include "platform/home_page.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace stowfolio {

namespace {

// Where the page says the data is kept. They follow state/inventory_store.cpp (the database
// under the data folder) and state/settings_store.cpp (the settings file under the
// configuration folder).
const QString kDatabasePlace = QStringLiteral("~/.local/share/Quillane/Stowfolio/inventory.db");
const QString kSettingsPlace = QStringLiteral("~/.config/Quillane/Quillane.ini");

} // namespace

QString HelpWindow::pageHtml()
{
    return QStringLiteral(
               "<h2>Stowfolio User Guide</h2>"
               "<p>Stowfolio keeps a list of the things in your home and turns it into a "
               "spreadsheet (.xls) and a PDF report for your insurer.</p>"

               "<h3>Your details</h3>"
               "<p>Type your name, address and phone under <b>Personal Information</b> and your "
               "insurer, agent and policy number under <b>Insurance Information</b>. They are "
               "saved as you type; there is nothing to save by hand.</p>"

               "<h3>Adding, changing and removing items</h3>"
               "<ul>"
               "<li><b>Add</b>: fill in the fields under <b>Inventory Details</b> and press "
               "<b>Add</b>. The item goes to the end of the list and the fields are cleared. The "
               "<b>...</b> button beside Photo picks a picture file.</li>"
               "<li><b>Edit</b>: double-click a field in the list, or select an item and press "
               "F2 (Edit ▸ Edit Item). Enter keeps the change, Esc drops it.</li>"
               "<li><b>Delete</b>: select an item and press <b>Delete Selected Entry</b>, or the "
               "Delete key in the list.</li>"
               "<li><b>Many at once</b>: Shift+click and Ctrl+click select several items, Ctrl+A "
               "in the list selects them all. Delete, Duplicate and Move act on every selected "
               "item, and <b>Edit ▸ Set Field of Selected Items</b> gives them all the same text "
               "in one field (a new Location, say).</li>"
               "<li><b>Duplicate</b> (Ctrl+D) copies the selected items, with their "
               "photos and other attachments, below the last of them; "
               "<b>Move Item Up / Down</b> (Alt+Up, Alt+Down) changes their place; a click on a "
               "column's header, or <b>Edit ▸ Sort Items By</b>, sorts the list by that column "
               "(a second click reverses the order).</li>"
               "<li><b>Find</b> (Ctrl+F) shows a bar below the list: only the items holding its "
               "text in any field stay in the list, and the status line counts them (\"12 of "
               "1,000 items\"). Esc closes the bar and shows every item again.</li>"
               "<li><b>Undo</b> (Ctrl+Z) and <b>Redo</b> (Ctrl+Y or Ctrl+Shift+Z) work for every "
               "change of the list, one step for each command, and for typing, one step for each "
               "visit to a field, wherever the cursor is; the Edit menu names the step.</li>"
               "<li><b>Load Sample/Example Data</b> fills in an example owner and adds an example "
               "item; Undo takes both back.</li>"
               "</ul>"

               "<h3>Photos, receipts and documents</h3>"
               "<p>Keep every photo, receipt, manual or appraisal of an item with it: select the "
               "item and choose <b>Edit ▸ Add Attachments to Item</b> (Ctrl+Shift+A) to pick "
               "several files at once, or drop files on the item's row. A Photo field that names "
               "a picture file becomes the item's first photo when you press Add. <b>Edit ▸ "
               "Item Details</b> (Ctrl+I, or a double-click in the Photo column) shows the item "
               "with its attachments: open one, remove it, make it the primary photo, or give it "
               "a caption and a kind. Stowfolio keeps its own copy of each file, so moving or "
               "deleting the original loses nothing, and every change can be undone. A file "
               "that cannot be kept (missing, unreadable, a folder, too large, a damaged "
               "picture) is named in a message and nothing of that choice is added.</p>"

               "<h3>Dates and amounts</h3>"
               "<p>Your inventory remembers how its dates and amounts are written (decimal mark, "
               "grouping mark, currency sign and date form), set from your computer's language "
               "when it is first opened, so \"03/04/2021\" or \"1.234\" always means what you "
               "typed, whatever language Stowfolio later runs in. <b>Edit ▸ Dates and "
               "Amounts</b> changes them and rewrites every date and amount of the list to keep "
               "its value; Undo takes it back.</p>"

               "<h3>Importing and exporting</h3>"
               "<p><b>File ▸ Import Items</b> reads a CSV or tab-separated file, a Homebox export "
               "or a workbook saved by Stowfolio. You see what will be added before anything "
               "changes, and the whole import is one step to undo. A CSV file with a column "
               "named <i>Attachments</i> brings files along: each item's file paths, separated "
               "by <tt>;</tt>, relative to the CSV file's folder or absolute. If one of them "
               "cannot be kept (missing, a folder, a damaged picture), you are told which, in "
               "which row, and nothing is added. <b>File ▸ Export Items as "
               "CSV</b> writes the list as a CSV file that other programs can read.</p>"

               "<h3>A claim kit for your insurer</h3>"
               "<p><b>File ▸ Export Claim Kit</b> writes one zip archive with everything a claim "
               "needs: the workbook, the PDF report, the item list as CSV (its last column names "
               "each item's files), every attachment in a folder per item number, and "
               "<tt>manifest.sha256</tt>, the SHA-256 of every file. Stowfolio reads the kit back "
               "and checks it before it says the kit is written. You may protect it with a "
               "password (AES-256): "
               "open such a kit with 7-Zip, since the classic <tt>unzip</tt> cannot. After "
               "unpacking, <tt>sha256sum -c manifest.sha256</tt> in its folder shows that no file "
               "has changed. <tt>attachments.csv</tt> lists every attachment with its item, "
               "kind, caption, dates, camera and SHA-256.</p>"
               "<p>To restore a kit, choose it in <b>File ▸ Import Items</b> (or run "
               "<tt>stowfolio --import kit.zip --password-file password.txt</tt>): its items, "
               "their attachments with their kinds and captions, and the owner details are "
               "added after the kit has been checked. A kit that is damaged, changed or opened "
               "with the wrong password adds nothing.</p>"

               "<h3>Building the workbook</h3>"
               "<p><b>Start Creating Template</b> (Ctrl+Enter) builds the workbook from your "
               "details and items. A large list takes a few seconds; a progress window shows "
               "that Stowfolio is working. The preview window then shows the finished sheet.</p>"

               "<h3>Preview and zoom</h3>"
               "<p>Drag the picture or use the scroll bars and the mouse wheel to move around. "
               "<b>Zoom In</b> and <b>Zoom Out</b> (Ctrl++ or Ctrl+=, Ctrl+-, or Ctrl and the "
               "wheel) change the size in quarter steps; View ▸ Actual Size (Ctrl+0) goes back "
               "to 100 %. Make the window larger to see more of the sheet.</p>"

               "<h3>Saving</h3>"
               "<p>In the preview, <b>Save Results To Excel File</b> (Ctrl+S) saves the workbook "
               "as an .xls file for your insurer. <b>File ▸ Save as PDF</b> (Ctrl+Shift+S) writes "
               "the report as a PDF, and <b>File ▸ Print</b> prints it. The report has a summary, "
               "the sheet, every photo of each item (the Photo field's picture and every "
               "attachment that is a picture, receipts too, each with its caption) and an "
               "evidence index listing each item's files with their kind, name, date taken or "
               "added, size and SHA-256; a file that cannot be printed is listed with the reason. "
               "<b>&lt; Back</b> returns to your list; closing the preview ends Stowfolio.</p>"

               "<h3>Where your data is kept</h3>"
               "<p>The items are kept in the database <tt>%1</tt>, and your details and settings "
               "in <tt>%2</tt> (the folders follow XDG_DATA_HOME and XDG_CONFIG_HOME when they "
               "are set). Every change is stored at once. Keep a copy of both files to back up "
               "your inventory.</p>"

               "<h3>Questions</h3>"
               "<p>Team Quillane: <a href=\"%3\">%3</a></p>")
        .arg(kDatabasePlace, kSettingsPlace, kHomePage.toString());
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Stowfolio User Guide"));
    setModal(false);
    auto* page = new QTextBrowser(this);
    page->setObjectName(QStringLiteral("HelpPage"));
    page->setOpenExternalLinks(true);
    page->setHtml(pageHtml());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page);
    layout->addWidget(buttons);
    resize(560, 600);
}

} // namespace stowfolio
