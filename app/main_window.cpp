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

const QString kModule = QStringLiteral("Form1");

std::u16string toU16(const QString& text)
{
    return text.toStdU16String();
}

QString fromU16(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

Form1::Form1(Form1Dependencies dependencies, QWidget* parent)
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

Form1::~Form1() = default;

void Form1::Form_Load()
{
    GuardedProcedure guard(m_deps.prompts, kModule, QStringLiteral("Form_Load"));
    guard.step(100, [&] { ApplySkin(*this, m_deps.applicationFolder); });
    guard.step(104, [&] { setWindowTitle(kProductName); });
    guard.step(104, [&] { setWindowIcon(QIcon(QStringLiteral(":/stowfolio.png"))); });
    guard.step(104, [&] { SetAppTitle(); });
    const QString cursorPath = m_deps.applicationFolder + QStringLiteral("/HAND-M.CUR");
    if (guard.test(106, [&] { return FileExists(cursorPath); }))
        guard.step(108, [&] { m_pointer.setCustomCursor(loadCursorFile(cursorPath)); });
    guard.step(110,
               [&] { openHomePageOnOneStartInAHundred(m_deps.randomFraction, m_deps.openUrl); });
    restoreOwnerFields(guard);
    restoreItemList(guard);
    updateStatusLine();
    guard.step(
        162, [&] { CheckExcelInstalled(m_deps.excelFactory, m_deps.prompts, m_deps.endProgram); });
}

void Form1::restoreOwnerFields(GuardedProcedure& guard)
{
    // Setting the text runs the field's save-on-change, which writes the same value back.
    for (int i = 0; i < kOwnerFieldCount; ++i) {
        guard.step(128 + 2 * i, [&] {
            m_ownerFields[i]->setText(m_deps.settings.read(kOwnerFieldKeys[i], QString()));
        });
    }
}

void Form1::restoreItemList(GuardedProcedure& guard)
{
    DecodedItemList decoded;
    guard.step(144, [&] {
        decoded = decodeItemList(toU16(m_deps.settings.read(kItemsKey, QString())),
                                 static_cast<std::size_t>(columnCount()));
    });
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(decoded.rows.size()));
    for (const ItemRow& fields : decoded.rows)
        rows << new ListRow(fields);
    guard.step(154, [&] { appendRows(rows); });
    // A stored item with more fields than the list has columns: each extra field is reported
    // and dropped, and loading goes on.
    for (const DroppedField& dropped : decoded.dropped) {
        guard.step(156, [&] {
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

void Form1::Form_QueryUnload()
{
    GuardedProcedure guard(m_deps.prompts, kModule, QStringLiteral("Form_QueryUnload"));
    storeItemList(guard, 100);
}

void Form1::closeEvent(QCloseEvent* event)
{
    {
        // The question below names any failure; a message before it would say it twice.
        const QScopedValueRollback<bool> quiet(m_storeFailureTold, true);
        Form_QueryUnload();
    }
    if (!closingDespiteUnsavedChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    emit unloaded();
}

bool Form1::mayEndProgram()
{
    {
        const QScopedValueRollback<bool> quiet(m_storeFailureTold, true);
        saveItemList();
    }
    return closingDespiteUnsavedChanges();
}

bool Form1::closingDespiteUnsavedChanges()
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

QString Form1::encodedItemList() const
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

void Form1::storeItemList(GuardedProcedure& guard, int line)
{
    QString encoded;
    if (guard.step(line, [&] { encoded = encodedItemList(); }))
        storeValue(kItemsKey, encoded);
    updateStatusLine();
}

void Form1::saveItemList()
{
    GuardedProcedure guard(m_deps.prompts, kModule, QStringLiteral("SaveItemList"));
    storeItemList(guard, 100);
}

QStringList Form1::ownerFieldTexts() const
{
    QStringList texts;
    for (const QLineEdit* field : m_ownerFields)
        texts << field->text();
    return texts;
}

int Form1::columnCount() const
{
    return m_list->columnCount();
}

int Form1::itemCount() const
{
    return m_list->topLevelItemCount();
}

QStringList Form1::itemRow(int row) const
{
    QStringList texts;
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item)
        return texts;
    for (int c = 0; c < columnCount(); ++c)
        texts << item->text(c);
    return texts;
}

void Form1::setStartCreatingTemplateHandler(std::function<void()> handler)
{
    m_startCreatingTemplate = std::move(handler);
}

} // namespace stowfolio
