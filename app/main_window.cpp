// Start-up, shutdown and the saved state of the main window.

#include "app/main_window.h"

#include "app/list_row.h"

#include "platform/app_title.h"
#include "platform/error_report.h"
#include "platform/file_helpers.h"
#include "platform/skin.h"
#include "state/item_list_codec.h"
#include "state/settings_store.h"
#include "workbook/excel_probes.h"
#include "workbook/input_locale.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTreeWidget>

#include <stdexcept>

namespace stowfolio {

namespace {

std::u16string toU16(const QString& text)
{
    return text.toStdU16String();
}

QString fromU16(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

MainWindow::MainWindow(MainWindowDependencies dependencies, QWidget* parent)
    : QMainWindow(parent), m_deps(std::move(dependencies)), m_pointer(*this),
      m_inputLocale(inputLocaleOf())
{
    buildControls();
    installItemEditing();
    buildMenus();
    buildStatusLine();
    // The client area keeps its drawn size; the window is that plus the menu and status line.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
    connectBehaviour();
    m_ownerFields[0]->setFocus();
}

MainWindow::~MainWindow() = default;

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
    updateStatusLine();
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
    DecodedItemList decoded;
    guard.step(Lines::kReadItemList, [&] {
        decoded = decodeItemList(toU16(m_deps.settings.read(kItemsKey, QString())),
                                 static_cast<std::size_t>(columnCount()));
    });
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(decoded.rows.size()));
    for (const ItemRow& fields : decoded.rows)
        rows << new ListRow(fields);
    guard.step(Lines::kShowItemList, [&] { appendRows(rows); });
    // A stored item with more fields than the list has columns: each extra field is reported
    // and dropped, and loading goes on.
    for (const DroppedField& dropped : decoded.dropped) {
        guard.step(Lines::kReportDroppedField, [&] {
            throw std::out_of_range(
                QStringLiteral("Index out of bounds: the list has %1 columns, so field %2 of "
                               "item %3 (\"%4\") cannot be shown")
                    .arg(columnCount())
                    .arg(dropped.field + 1)
                    .arg(dropped.row + 1)
                    .arg(fromU16(dropped.text))
                    .toStdString());
        });
    }
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
    emit unloaded();
}

bool MainWindow::mayEndProgram()
{
    {
        const QScopedValueRollback<bool> quiet(m_storeFailureTold, true);
        saveItemList();
    }
    return closingDespiteUnsavedChanges();
}

bool MainWindow::closingDespiteUnsavedChanges()
{
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

QString MainWindow::encodedItemList() const
{
    // Every row of the list is a ListRow: the window makes all of them.
    const auto rowAt = [this](std::size_t row) {
        return static_cast<const ListRow*>(m_list->topLevelItem(static_cast<int>(row)));
    };
    const auto rows = static_cast<std::size_t>(itemCount());
    qsizetype length = 0;
    for (std::size_t row = 0; row < rows; ++row)
        length += static_cast<qsizetype>(rowAt(row)->storedForm().size()) + 1;
    QString stored;
    stored.reserve(length);
    appendItemList(stored, rows, [&](QString& out, std::size_t row) {
        out += QStringView(rowAt(row)->storedForm());
    });
    return stored;
}

void MainWindow::storeItemList(GuardedProcedure& guard, int line)
{
    QString encoded;
    if (guard.step(line, [&] { encoded = encodedItemList(); }))
        storeValue(kItemsKey, encoded);
    updateStatusLine();
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
    return m_list->columnCount();
}

int MainWindow::itemCount() const
{
    return m_list->topLevelItemCount();
}

QStringList MainWindow::itemRow(int row) const
{
    QStringList texts;
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item)
        return texts;
    for (int c = 0; c < columnCount(); ++c)
        texts << item->text(c);
    return texts;
}

void MainWindow::setStartCreatingTemplateHandler(std::function<void()> handler)
{
    m_startCreatingTemplate = std::move(handler);
}

} // namespace stowfolio
