// Start-up, shutdown and the saved state of the main window.

#include "app/main_window.h"

#include "platform/app_title.h"
#include "platform/error_report.h"
#include "platform/file_helpers.h"
#include "platform/skin.h"
#include "state/inventory_conventions.h"
#include "state/inventory_opening.h"
#include "state/settings_store.h"
#include "workbook/excel_probes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QScopedValueRollback>
#include <QTreeView>

#include <stdexcept>

namespace stowfolio {

namespace {

// The inventory's conventions, recorded from the user's locale when it has none yet. Should
// the database not be readable, the user's locale serves for now; the store tells the user of
// its trouble at the first change.
InventoryConventions conventionsOf(InventoryStore& inventory)
{
    try {
        return inventoryConventions(inventory, QLocale());
    } catch (const std::exception&) {
        return conventionsOfLocale(QLocale());
    }
}

} // namespace

MainWindow::MainWindow(MainWindowDependencies dependencies, QWidget* parent)
    : QMainWindow(parent), m_deps(std::move(dependencies)), m_pointer(*this),
      m_model(m_deps.inventory, conventionsOf(m_deps.inventory)), m_shown(m_model)
{
    buildControls();
    installItemEditing();
    buildMenus();
    connectSelectionActions();
    buildFindBar();
    buildStatusLine();
    // The window opens at the drawn size of the form plus the menu and status line; it can be
    // resized from there (main_window_layout.cpp).
    resize(defaultSize());
    layout()->invalidate();
    layout()->activate();
    connectBehaviour();
    connect(&m_model, &InventoryModel::itemsChanged, this, &MainWindow::updateStatusLine);
    connect(&m_model, &InventoryModel::changeRefused, this, &MainWindow::tellRefusedChange);
    m_refreshTimer.setInterval(1000);
    connect(&m_refreshTimer, &QTimer::timeout, this, &MainWindow::refreshFromOtherProcesses);
    connect(&m_model, &InventoryModel::refreshReady, this, &MainWindow::refreshFromOtherProcesses);
    m_deps.settings.setOutcomeHandler(
        [this](const QString& failure) { takeStoreOutcome(failure); });
    m_ownerFields[0]->setFocus();
}

MainWindow::~MainWindow()
{
    m_deps.settings.setOutcomeHandler({});
}

void MainWindow::startUp()
{
    using Lines = errorsite::MainWindowStartUp;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    guard.step(Lines::kApplySkin, [&] { applySkin(*this, m_deps.applicationFolder); });
    guard.step(Lines::kSetCaptionIconAndTitle, [&] { setWindowTitle(kProductName); });
    guard.step(Lines::kSetCaptionIconAndTitle,
               [&] { setWindowIcon(QIcon(QStringLiteral(":/stowfolio.png"))); });
    guard.step(Lines::kSetCaptionIconAndTitle, [&] { setAppTitle(); });
    const QString cursorPath = m_deps.applicationFolder + QStringLiteral("/HAND-M.CUR");
    if (guard.test(Lines::kLookForHandCursor, [&] { return fileExists(cursorPath); }))
        guard.step(Lines::kLoadHandCursor,
                   [&] { m_pointer.setCustomCursor(loadCursorFile(cursorPath)); });
    guard.step(Lines::kOpenHomePage,
               [&] { openHomePageOnOneStartInAHundred(m_deps.randomFraction, m_deps.openUrl); });
    restoreOwnerFields(guard);
    restoreItemList(guard);
    // After the list is settled (a settings list taken keeps the ids of unchanged items), and
    // before any undo step exists that could want a record of a deleted item.
    purgeAttachments();
    updateStatusLine();
    m_refreshTimer.start();
    guard.step(Lines::kCheckSpreadsheet, [&] {
        checkExcelInstalled(m_deps.excelFactory, m_deps.prompts, m_deps.endProgram);
    });
}

void MainWindow::restoreOwnerFields(GuardedProcedure& guard)
{
    // Setting the text runs the field's save-on-change, which writes the same value back.
    for (int i = 0; i < kOwnerFieldCount; ++i) {
        guard.step(numberedLine(errorsite::MainWindowStartUp::kRestoreOwnerFields, i), [&] {
            m_ownerFields[i]->setText(m_deps.settings.read(kOwnerFieldKeys[i], QString()));
        });
    }
}

void MainWindow::restoreItemList(GuardedProcedure& guard)
{
    using Lines = errorsite::MainWindowStartUp;
    SettingsListCheck check;
    guard.step(Lines::kReadItemList,
               [&] { check = checkSettingsList(m_deps.inventory, m_deps.settings); });
    if (check.settingsListDiffers &&
        m_deps.prompts.askYesNo(settingsListQuestion(check), QString(), DefaultAnswer::No))
        guard.step(Lines::kReadItemList,
                   [&] { check.repairs = takeSettingsList(m_deps.inventory, m_deps.settings); });
    guard.step(Lines::kShowItemList, [&] {
        m_model.reload();
        // The list's first row becomes its current one, so Delete works at once.
        if (itemCount() > 0)
            selectRow(0);
    });
    // Everything repaired while taking in the stored list is told once, not once per row.
    if (!check.repairs.isEmpty())
        m_deps.prompts.showMessage(check.repairs, QString(), MessageIcon::Exclamation);
}

QString MainWindow::settingsListQuestion(const SettingsListCheck& check) const
{
    return QStringLiteral("The item list in the settings file (%L1 items) is not the one Stowfolio "
                          "last saved there; another program or an older version of Stowfolio "
                          "changed it. Stowfolio's inventory holds %L2 items.\r\n\r\nUse the list "
                          "from the settings file instead?\r\n\r\nChoose No to keep the "
                          "inventory's %L2 items; the settings file gets them when Stowfolio "
                          "closes.")
        .arg(check.settingsItemCount)
        .arg(check.inventoryItemCount);
}

// A change the inventory refused (a full disk, a field too long) is told after the step that
// made it has finished, so no message box opens in the middle of an edit or an undo.
void MainWindow::tellRefusedChange(const QString& reason)
{
    QTimer::singleShot(0, this, [this, reason] {
        m_deps.prompts.showMessage(
            reason + QStringLiteral("\r\n\r\nThe change was not made; the list shows what is "
                                    "saved."),
            QString(), MessageIcon::Exclamation);
    });
}

// Items another process added, changed or removed (--import while the window is open) appear
// within a second: a tick notices the change, the list is read in the background and shown when
// it arrives; the current item stays current.
void MainWindow::refreshFromOtherProcesses()
{
    // An edit in place is never pulled from under the user: the refresh waits for it to end.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus->parentWidget() == m_list->viewport())
        return;
    const int row = selectedRow();
    const ItemId current = row >= 0 ? m_model.item(row).id : 0;
    if (!m_model.refreshIfChangedElsewhere())
        return;
    const int now = m_model.rowOf(current);
    if (now >= 0)
        selectRow(now);
}

void MainWindow::prepareToClose()
{
    GuardedProcedure guard(m_deps.prompts, errorsite::MainWindowClosing::site);
    storeItemList(guard, errorsite::MainWindowClosing::kStoreItemList);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    {
        // The question below names any failure; a message before it would say it twice.
        const QScopedValueRollback<bool> quiet(m_storeFailureTold, true);
        prepareToClose();
    }
    if (!closingDespiteUnsavedChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    // No undo outlives the window: what deleted items kept, and files no one names, go now.
    purgeAttachments();
    emit unloaded();
}

bool MainWindow::mayEndProgram()
{
    {
        const QScopedValueRollback<bool> quiet(m_storeFailureTold, true);
        saveItemList();
    }
    if (!closingDespiteUnsavedChanges())
        return false;
    purgeAttachments();
    return true;
}

bool MainWindow::closingDespiteUnsavedChanges()
{
    // Waits for the settings file's last write; the question below names what failed.
    try {
        m_deps.settings.flush();
    } catch (const std::exception& error) {
        m_storeFailure = QString::fromUtf8(error.what());
    }
    if (!m_deps.settings.hasUnsavedChanges())
        return true;
    // Closing would lose what the disk refused; staying open lets the user free space first.
    return m_deps.prompts.askYesNo(
        QStringLiteral("Some of your changes could not be saved:\r\n") + m_storeFailure +
            QStringLiteral("\r\n\r\nIf Stowfolio closes now, they are lost. Close "
                           "anyway?\r\n\r\nChoose No to keep the window open, free some disk "
                           "space or make the folder writable, and close again."),
        QString(), DefaultAnswer::No);
}

void MainWindow::storeItemList(GuardedProcedure& guard, int line)
{
    // The settings file keeps the whole list too, in its documented encoding, for programs that
    // read it there; the inventory remembers what it wrote so the next start knows it as its own.
    QString encoded;
    if (!guard.step(line, [&] { encoded = encodedItems(m_model.items()); }))
        return;
    storeValue(kItemsKey, encoded);
    if (settingsStored())
        guard.step(line, [&] { recordSettingsList(m_deps.inventory, encoded); });
}

void MainWindow::saveItemList()
{
    GuardedProcedure guard(m_deps.prompts, errorsite::SaveItemList::site);
    storeItemList(guard, errorsite::SaveItemList::kStoreItemList);
}

QStringList MainWindow::ownerFieldTexts() const
{
    QStringList texts;
    for (const QLineEdit* field : m_ownerFields)
        texts << field->text();
    return texts;
}

int MainWindow::columnCount() const
{
    return kItemFieldCount;
}

int MainWindow::itemCount() const
{
    return m_model.rowCount();
}

QStringList MainWindow::itemRow(int row) const
{
    QStringList texts;
    if (row < 0 || row >= itemCount())
        return texts;
    for (const QString& field : m_model.item(row).fields)
        texts << field;
    return texts;
}

void MainWindow::setStartCreatingTemplateHandler(std::function<void()> handler)
{
    m_startCreatingTemplate = std::move(handler);
}

} // namespace stowfolio
