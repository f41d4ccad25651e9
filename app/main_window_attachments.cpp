// The main window's part in keeping files with items: the attachment store opened beside the
// inventory, Edit ▸ Add Attachments to Item… and Item Details…, files dropped on a row, a
// double-click on the Photo column, and the purge at start and close.

#include "app/item_details_window.h"
#include "app/main_window.h"

#include "platform/menu_commands.h"
#include "platform/pointer_codes.h"
#include "platform/prompts.h"

#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <exception>

namespace stowfolio {

namespace {

constexpr auto kAddAttachmentsTitle = "Add Attachments to Item";

// Calls a function for each event of the watched object; true from it ends the event there.
class EventHook : public QObject
{
public:
    EventHook(QObject* watched, std::function<bool(QEvent*)> hook)
        : QObject(watched), m_hook(std::move(hook))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override { return m_hook(event); }

private:
    std::function<bool(QEvent*)> m_hook;
};

// The local files a drag carries; none when it carries anything else.
QStringList droppedFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

void MainWindow::installAttachments(QMenu* edit)
{
    try {
        m_attachments = std::make_unique<ItemAttachments>(m_deps.inventory, m_undoStack);
        // A change refused inside an undo step is told after the step, as the list's are.
        connect(m_attachments.get(), &ItemAttachments::refused, this, [this](const QString& why) {
            QTimer::singleShot(0, this, [this, why] {
                m_deps.prompts.showMessage(why, QString(), MessageIcon::Exclamation);
            });
        });
    } catch (const std::exception& error) {
        m_attachmentsFailure = QString::fromUtf8(error.what());
    }

    QAction* add = addMenuCommand(edit, QStringLiteral("Add Atta&chments to Item…"),
                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
                                  [this] { addAttachmentsToSelectedItem(); });
    QAction* details =
        addMenuCommand(edit, QStringLiteral("Item Detai&ls…"), {QKeySequence(Qt::CTRL | Qt::Key_I)},
                       [this] { showItemDetails(); });
    m_selectionActions << add << details;

    // Files dropped on a row are kept with its item; a drop anywhere else is refused.
    m_list->viewport()->setAcceptDrops(true);
    new EventHook(m_list->viewport(), [this](QEvent* event) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const bool onRow = m_list->indexAt(drag->position().toPoint()).isValid();
            if (onRow && !droppedFiles(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QModelIndex at = m_list->indexAt(drop->position().toPoint());
            const QStringList paths = droppedFiles(drop->mimeData());
            if (!at.isValid() || paths.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            const ItemId item = m_model.item(m_shown.mapToSource(at).row()).id;
            // The drop ends first, so the dragging program is not held while files copy.
            QTimer::singleShot(0, this, [this, item, paths] { addFilesToItem(item, paths); });
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            // A double-click on the Photo column shows the item's details; elsewhere it edits
            // the cell in place, as before.
            const QModelIndex at =
                m_list->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (!at.isValid() || at.column() != kPhotoField)
                return false;
            m_list->setCurrentIndex(at);
            showItemDetails();
            return true;
        }
        default:
            return false;
        }
    });
}

bool MainWindow::attachmentsAvailable()
{
    if (m_attachments)
        return true;
    m_deps.prompts.showMessage(QStringLiteral("Files cannot be kept with items: ") +
                                   m_attachmentsFailure,
                               QString(), MessageIcon::Exclamation);
    return false;
}

void MainWindow::addAttachmentsToSelectedItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    addAttachmentsTo(m_model.item(row).id);
}

void MainWindow::addAttachmentsTo(ItemId item)
{
    if (!attachmentsAvailable())
        return;
    const QStringList paths = m_deps.prompts.openFileNames(
        QString::fromLatin1(kAddAttachmentsTitle),
        QStringLiteral("All Files (*.*)|*|Pictures|*.jpg;*.jpeg;*.png;*.heic;*.heif;*.tif;*.tiff;"
                       "*.bmp;*.gif;*.webp|PDF Documents|*.pdf|"),
        picturesFolder());
    addFilesToItem(item, paths);
}

void MainWindow::addFilesToItem(ItemId item, const QStringList& paths)
{
    if (paths.isEmpty() || !attachmentsAvailable())
        return;
    QString failure;
    whileBusy([&] { failure = m_attachments->addFiles(item, paths); });
    if (!failure.isEmpty())
        m_deps.prompts.showMessage(failure, QString(), MessageIcon::Exclamation);
}

// The hourglass while files are copied, hashed and read for their facts.
void MainWindow::whileBusy(const std::function<void()>& work)
{
    const int pointer = m_pointer.code();
    m_pointer.setCode(kHourglassPointer);
    try {
        work();
    } catch (...) {
        m_pointer.setCode(pointer);
        throw;
    }
    m_pointer.setCode(pointer);
}

bool MainWindow::keepsTypedPhoto(const QString& photo) const
{
    if (!m_attachments || photo.isEmpty())
        return false;
    const QFileInfo file(photo);
    return file.isAbsolute() && file.isFile() && file.isReadable();
}

void MainWindow::showItemDetails()
{
    const int row = selectedRow();
    if (row < 0 || !attachmentsAvailable())
        return;
    const Item item = m_model.item(row);
    // One window per item: asking again brings it to the front.
    for (ItemDetailsWindow* open : findChildren<ItemDetailsWindow*>())
        if (open->item() == item.id) {
            open->raise();
            open->activateWindow();
            return;
        }
    ItemDetailsWindow::Actions actions;
    actions.addFiles = [this](ItemId id) { addAttachmentsTo(id); };
    actions.open = [this](const Attachment& attachment) { openAttachment(attachment); };
    auto* window =
        new ItemDetailsWindow(item, columnCaptions(), *m_attachments, std::move(actions), this);
    // The window follows its item: an edit in the list, its undo, another process's change. An
    // item that is gone takes its window with it.
    connect(&m_model, &InventoryModel::itemsChanged, window, [this, window] {
        const int row = m_model.rowOf(window->item());
        if (row < 0)
            window->close();
        else
            window->showFields(m_model.item(row));
    });
    window->show();
}

// The viewer gets a link named as the file was, in a private folder of this window, to the
// stored file, which is made read-only first: the viewer knows the file's type by its name and
// cannot change the kept bytes.
void MainWindow::openAttachment(const Attachment& attachment)
{
    try {
        const QString stored = m_attachments->keeper().filePath(attachment);
        QFile::setPermissions(stored, QFileDevice::ReadOwner);
        if (!m_viewingFolder)
            m_viewingFolder = std::make_unique<QTemporaryDir>();
        if (!m_viewingFolder->isValid())
            throw std::runtime_error("no folder for viewing could be made");
        const QString folder = m_viewingFolder->filePath(QString::number(attachment.id));
        QDir().mkpath(folder);
        QString name = QFileInfo(attachment.file.originalName).fileName();
        if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
            name.prepend(QStringLiteral("attachment"));
        const QString link = folder + QLatin1Char('/') + name;
        if (!QFileInfo(link).isSymLink() && !QFile::link(stored, link))
            throw std::runtime_error("the file could not be offered to the viewer");
        m_deps.openUrl(QUrl::fromLocalFile(link));
    } catch (const std::exception& error) {
        m_deps.prompts.showMessage(attachment.file.originalName + QStringLiteral(": ") +
                                       QString::fromUtf8(error.what()),
                                   QString(), MessageIcon::Exclamation);
    }
}

void MainWindow::purgeAttachments()
{
    if (m_attachments)
        m_attachments->purge();
}

} // namespace stowfolio
