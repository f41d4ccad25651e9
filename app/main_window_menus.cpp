// The main window's menu bar and status line.

#include "app/main_window.h"

#include "app/help_window.h"

#include "platform/home_page.h"
#include "platform/menu_commands.h"
#include "platform/prompts.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTreeView>

namespace stowfolio {

namespace {

// A key that only acts while the list has the focus: Delete and F2 in a text field belong to
// the field.
void bindToList(QAction* action, QWidget* list)
{
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    list->addAction(action);
}

} // namespace

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addMenuCommand(
        file, QStringLiteral("Start Creating &Template"),
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
        [this] { startCreatingTemplate(); });
    file->addSeparator();
    addMenuCommand(file, QStringLiteral("&Import Items…"), {}, [this] { importItems(); });
    addMenuCommand(file, QStringLiteral("&Export Items as CSV…"), {},
                   [this] { exportItemsAsCsv(); });
    addMenuCommand(file, QStringLiteral("Export &Claim Kit…"), {}, [this] { exportClaimKit(); });
    file->addSeparator();
    addMenuCommand(file, QStringLiteral("&Quit"), QKeySequence::keyBindings(QKeySequence::Quit),
                   [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* undo = m_undoStack.createUndoAction(edit, QStringLiteral("&Undo"));
    undo->setShortcuts(QKeySequence::Undo);
    // Ctrl+Y as well, as most programs on every desktop take it.
    QAction* redo = m_undoStack.createRedoAction(edit, QStringLiteral("&Redo"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    redo->setShortcuts(redoKeys);
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    QAction* editItemAction = addMenuCommand(edit, QStringLiteral("&Edit Item"),
                                             {QKeySequence(Qt::Key_F2)}, [this] { editItem(); });
    bindToList(editItemAction, m_list);
    QAction* duplicate =
        addMenuCommand(edit, QStringLiteral("Dupl&icate Item"),
                       {QKeySequence(Qt::CTRL | Qt::Key_D)}, [this] { duplicateItem(); });
    // Only the Delete key: the desktop's Delete bindings include Ctrl+D on X11, which is
    // Duplicate's key, and two commands on one key run neither.
    QAction* remove =
        addMenuCommand(edit, QStringLiteral("&Delete Item"), {QKeySequence(Qt::Key_Delete)},
                       [this] { deleteSelectedItem(); });
    bindToList(remove, m_list);
    QAction* moveUp =
        addMenuCommand(edit, QStringLiteral("Move Item U&p"), {QKeySequence(Qt::ALT | Qt::Key_Up)},
                       [this] { moveItem(-1); });
    QAction* moveDown =
        addMenuCommand(edit, QStringLiteral("Move Item Do&wn"),
                       {QKeySequence(Qt::ALT | Qt::Key_Down)}, [this] { moveItem(1); });
    QAction* setField = addMenuCommand(edit, QStringLiteral("Se&t Field of Selected Items…"), {},
                                       [this] { setFieldOfSelectedItems(); });
    m_selectionActions = {editItemAction, duplicate, remove, moveUp, moveDown, setField};
    installAttachments(edit);
    QMenu* sort = edit->addMenu(QStringLiteral("&Sort Items By"));
    for (int field = 0; field < kItemFieldCount; ++field)
        addMenuCommand(sort, m_model.headerData(field, Qt::Horizontal).toString().trimmed(), {},
                       [this, field] { sortItemsBy(field); });
    edit->addSeparator();
    addMenuCommand(edit, QStringLiteral("&Find…"), QKeySequence::keyBindings(QKeySequence::Find),
                   [this] { showFindBar(); });
    edit->addSeparator();
    addMenuCommand(edit, QStringLiteral("Dates and &Amounts…"), {},
                   [this] { chooseConventions(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addMenuCommand(help, QStringLiteral("&User Guide"),
                   QKeySequence::keyBindings(QKeySequence::HelpContents),
                   [this] { showHelpWindow(); });
    addMenuCommand(help, QStringLiteral("&Contact Team Quillane"), {}, [this] { showHelp(); });
    addMenuCommand(help, QStringLiteral("&About Stowfolio"), {}, [this] { showAbout(); });
}

// One help window, kept open beside the main window until closed.
void MainWindow::showHelpWindow()
{
    QWidget* window = findChild<QWidget*>(QStringLiteral("HelpWindow"));
    if (!window)
        window = new HelpWindow(this);
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::showAbout()
{
    const QString version = QCoreApplication::applicationVersion();
    m_deps.prompts.showMessage(
        QStringLiteral("Stowfolio %1\r\nA home inventory for your insurer.\r\n\r\n%2\r\n\r\n"
                       "Copyright © Team Quillane.\r\n"
                       "Stowfolio is free software, licensed under the GNU General Public "
                       "License, version 3 or later. It comes with no warranty.\r\n\r\n"
                       "It uses Qt %3 (LGPL-3.0), libgsf (LGPL-2.1), GLib (LGPL-2.1 or "
                       "later) and SQLite (public domain).")
            .arg(version.isEmpty() ? QStringLiteral("(development build)") : version,
                 kHomePage.toString(), QString::fromLatin1(qVersion())),
        QStringLiteral("About Stowfolio"), MessageIcon::None);
}

void MainWindow::connectSelectionActions()
{
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateSelectionActions);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MainWindow::updateSelectionActions);
    // Rows that go (a delete, an undo, Find hiding them) leave the selection without a signal
    // from the selection model.
    connect(&m_shown, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateSelectionActions);
    connect(&m_shown, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateSelectionActions);
    connect(&m_shown, &QAbstractItemModel::modelReset, this, &MainWindow::updateSelectionActions);
    connect(&m_shown, &QAbstractItemModel::layoutChanged, this,
            &MainWindow::updateSelectionActions);
    updateSelectionActions();
}

void MainWindow::updateSelectionActions()
{
    const bool selected = m_shown.rowCount() > 0 && m_list->selectionModel()->hasSelection();
    for (QAction* action : m_selectionActions)
        action->setEnabled(selected);
}

void MainWindow::buildStatusLine()
{
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_statusLine, 1);
    updateStatusLine();
}

void MainWindow::updateStatusLine()
{
    if (!m_statusLine)
        return;
    if (m_shown.isFiltering()) {
        // While Find is open the line is about the items found.
        m_statusLine->setText(QStringLiteral("%L1 of %L2 items · estimated total of these %3")
                                  .arg(m_shown.rowCount())
                                  .arg(itemCount())
                                  .arg(moneyText(m_shown.shownEstimatedTotal())));
        return;
    }
    m_statusLine->setText(inventorySummary(itemCount(), m_model.estimatedTotal()));
}

QString MainWindow::statusLine() const
{
    return m_statusLine->text();
}

} // namespace stowfolio
