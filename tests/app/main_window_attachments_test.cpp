// Files kept with items in the main window: the Edit menu and its several files, a bad file
// refusing the whole choice, a drop on a row, Duplicate copying them, the Photo field on Add, Item
// Details and its undoable changes, the settings list taken at start, and the purge at start and
// close.

#include "app/item_details_window.h"
#include "platform/file_helpers.h"
#include "platform/pointer_codes.h"
#include "state/settings_store.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/test_files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio {
namespace {

class MainWindowAttachmentsTest : public MainWindowTest
{
protected:
    // A small JPEG photo of one colour.
    QString photo(const QString& name, QRgb colour = qRgb(200, 40, 40))
    {
        QImage image(48, 32, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = files.filePath(name);
        EXPECT_TRUE(image.save(path, "JPEG"));
        return path;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    void startWithLocations(const QStringList& locations)
    {
        storeLocations(locations);
        loadedForm();
    }
    ItemId idOf(int row) { return form().model().item(row).id; }
    std::vector<Attachment> attachmentsOf(int row) { return inventory().attachments(idOf(row)); }
    QStringList namesOf(const std::vector<Attachment>& attachments)
    {
        QStringList names;
        for (const Attachment& attachment : attachments)
            names << attachment.file.originalName;
        return names;
    }
    QString storeFolder() { return attachmentFolderFor(inventoryPath()); }
    // The files in the attachment store.
    QStringList storedFiles()
    {
        return QDir(storeFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QAction* menuAction(const QString& text)
    {
        for (QAction* action : form().menuBar()->actions())
            if (action->menu())
                for (QAction* entry : action->menu()->actions())
                    if (entry->text().remove(QLatin1Char('&')) == text)
                        return entry;
        return nullptr;
    }
    // Press, release, press and double-click, as a mouse sends them.
    static void doubleClick(QWidget* widget, const QPoint& at)
    {
        const QPointF global = widget->mapToGlobal(QPointF(at));
        for (const QEvent::Type type :
             {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const bool down = type != QEvent::MouseButtonRelease;
            QMouseEvent event(type, QPointF(at), global, Qt::LeftButton,
                              down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(widget, &event);
        }
    }
    ItemDetailsWindow* detailsWindow() { return form().findChild<ItemDetailsWindow*>(); }
    // The window's deferred messages (a change refused inside an undo step) are shown.
    void settle() { QCoreApplication::processEvents(); }

    QTemporaryDir files;
};

TEST_F(MainWindowAttachmentsTest, TheMenuKeepsSeveralFilesWithTheSelectedItemAsOneStep)
{
    startWithLocations({"Hall", "Loft"});
    select(1);
    const QString receipt = write(QStringLiteral("receipt.pdf"), "%PDF-1.4 receipt");
    prompts.fileListAnswers = {{photo(QStringLiteral("tv.jpg")), receipt}};
    QAction* add = menuAction(QStringLiteral("Add Attachments to Item…"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    add->trigger();
    EXPECT_EQ(prompts.openFolders, QStringList{picturesFolder()});

    const std::vector<Attachment> kept = attachmentsOf(1);
    ASSERT_EQ(namesOf(kept), (QStringList{"tv.jpg", "receipt.pdf"}));
    EXPECT_EQ(kept[0].kind, AttachmentKind::Photo);
    EXPECT_EQ(kept[1].kind, AttachmentKind::Document);
    EXPECT_TRUE(attachmentsOf(0).empty());
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(storedFiles().size(), 2);

    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Add Attachments"));
    form().undoStack().undo();
    EXPECT_TRUE(attachmentsOf(1).empty());
    // The files wait in the store for a redo.
    EXPECT_EQ(storedFiles().size(), 2);
    form().undoStack().redo();
    const std::vector<Attachment> back = attachmentsOf(1);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].id, kept[0].id);
    EXPECT_EQ(back[1].id, kept[1].id);

    // Cancel adds nothing and leaves no step.
    prompts.fileListAnswers = {{}};
    const int steps = form().undoStack().count();
    add->trigger();
    EXPECT_EQ(form().undoStack().count(), steps);
}

TEST_F(MainWindowAttachmentsTest, OneBadFileAddsNothingAndTheMessageNamesEveryBadOne)
{
    startWithLocations({"Hall"});
    select(0);
    const QString good = photo(QStringLiteral("good.jpg"));
    const QString missing = files.filePath(QStringLiteral("missing.jpg"));
    const QString folder = files.filePath(QStringLiteral("a folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString fifo = files.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    prompts.fileListAnswers = {{good, missing, folder, fifo}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();

    EXPECT_TRUE(attachmentsOf(0).empty());
    ASSERT_EQ(prompts.messages().size(), 1);
    const QString message = prompts.messages()[0];
    EXPECT_TRUE(message.contains(missing)) << message.toStdString();
    EXPECT_TRUE(message.contains(folder)) << message.toStdString();
    EXPECT_TRUE(message.contains(fifo)) << message.toStdString();
    EXPECT_FALSE(message.contains(good)) << message.toStdString();
    EXPECT_TRUE(storedFiles().isEmpty());
    EXPECT_EQ(form().undoStack().count(), 0);
}

// A 4 GB video is refused by its size before a byte is read (the file is sparse: it takes no
// room on the disk).
TEST_F(MainWindowAttachmentsTest, AFileBeyondTheSizeLimitIsRefusedByName)
{
    startWithLocations({"Hall"});
    select(0);
    const QString video = files.filePath(QStringLiteral("party.mp4"));
    {
        QFile file(video);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(std::int64_t{4} << 30));
    }
    prompts.fileListAnswers = {{photo(QStringLiteral("good.jpg")), video}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    EXPECT_TRUE(attachmentsOf(0).empty());
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(video)) << prompts.messages()[0].toStdString();
    EXPECT_TRUE(storedFiles().isEmpty());
    EXPECT_EQ(form().pointerCode(), kDefaultPointer);
}

TEST_F(MainWindowAttachmentsTest, ADamagedJpegIsRefusedByNameAndTheGoodOneGoesWithIt)
{
    startWithLocations({"Hall"});
    select(0);
    const QString damaged = write(QStringLiteral("damaged.jpg"),
                                  testing::bytesOf("\xff\xd8\xff\xe0\x00\x10JFIF broken"));
    prompts.fileListAnswers = {{photo(QStringLiteral("good.jpg")), damaged}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    EXPECT_TRUE(attachmentsOf(0).empty());
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(damaged));
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(MainWindowAttachmentsTest, FilesDroppedOnARowAreKeptWithItsItemAndNowhereElse)
{
    startWithLocations({"Hall", "Loft"});
    form().show();
    const QString dropped = photo(QStringLiteral("dropped.jpg"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    QWidget* viewport = list()->viewport();
    const QPoint onLoft = list()->visualRect(cell(1)).center();

    QDragEnterEvent enter(onLoft, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(onLoft), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_TRUE(drop.isAccepted());
    settle();
    EXPECT_EQ(namesOf(attachmentsOf(1)), QStringList{"dropped.jpg"});
    EXPECT_TRUE(attachmentsOf(0).empty());

    // Below the last row there is no item: the drop is refused and nothing is added.
    const QPoint below(onLoft.x(), viewport->height() - 2);
    ASSERT_FALSE(list()->indexAt(below).isValid());
    QDropEvent missed(QPointF(below), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &missed);
    EXPECT_FALSE(missed.isAccepted());
    settle();
    EXPECT_EQ(attachmentsOf(0).size() + attachmentsOf(1).size(), 1u);
}

TEST_F(MainWindowAttachmentsTest, AddKeepsTheTypedPhotoAsTheItemsFirstPhotoInTheSameStep)
{
    loadedForm();
    const QString path = photo(QStringLiteral("sofa.jpg"));
    typeItem({"Lounge", "Sofa", "", "", "", "", "", "", "", "", "", path});
    form().addItem();
    ASSERT_EQ(form().itemCount(), 1);
    EXPECT_EQ(form().itemRow(0).value(kPhotoField), path);
    const ItemId id = idOf(0);
    const std::vector<Attachment> kept = inventory().attachments(id);
    ASSERT_EQ(namesOf(kept), QStringList{"sofa.jpg"});
    EXPECT_EQ(kept[0].kind, AttachmentKind::Photo);
    EXPECT_EQ(kept[0].position, 0);

    // One step: undo takes the item away, redo brings it back under its id with its photo.
    form().undoStack().undo();
    EXPECT_EQ(form().itemCount(), 0);
    form().undoStack().redo();
    ASSERT_EQ(form().itemCount(), 1);
    EXPECT_EQ(idOf(0), id);
    EXPECT_EQ(attachmentsOf(0).size(), 1u);
    EXPECT_EQ(form().undoStack().count(), 1);
}

TEST_F(MainWindowAttachmentsTest, APhotoThatCannotBeKeptIsToldAndTheItemIsAddedAllTheSame)
{
    loadedForm();
    const QString damaged = write(QStringLiteral("broken.jpg"),
                                  testing::bytesOf("\xff\xd8\xff\xe0\x00\x10JFIF broken"));
    typeItem({"Lounge", "Lamp", "", "", "", "", "", "", "", "", "", damaged});
    form().addItem();
    settle();
    ASSERT_EQ(form().itemCount(), 1);
    EXPECT_EQ(form().itemRow(0).value(kPhotoField), damaged);
    EXPECT_TRUE(attachmentsOf(0).empty());
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(damaged));

    // A Photo text that names no file is only text, as it always was: nothing is told.
    prompts.shown.clear();
    typeItem({"Hall", "Mirror", "", "", "", "", "", "", "", "", "", "c:\\photos\\mirror.jpg"});
    form().addItem();
    settle();
    EXPECT_EQ(form().itemCount(), 2);
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_TRUE(attachmentsOf(1).empty());
}

TEST_F(MainWindowAttachmentsTest, ItemDetailsChangesAreEachOneUndoableStep)
{
    startWithLocations({"Hall & <b>Stairs</b>"});
    select(0);
    prompts.fileListAnswers = {{photo(QStringLiteral("front.jpg")),
                                photo(QStringLiteral("back.jpg"), qRgb(0, 0, 200)),
                                write(QStringLiteral("manual.pdf"), "%PDF-1.4 manual")}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    menuAction(QStringLiteral("Item Details…"))->trigger();
    ItemDetailsWindow* details = detailsWindow();
    ASSERT_NE(details, nullptr);
    // Every field as typed, markup and all.
    auto* location = details->findChild<QLabel*>("field0");
    EXPECT_EQ(location->text(), QStringLiteral("Hall & <b>Stairs</b>"));
    EXPECT_EQ(location->textFormat(), Qt::PlainText);
    auto* shown = details->findChild<QListWidget*>("attachmentList");
    ASSERT_EQ(shown->count(), 3);
    details->finishThumbnails();
    // The photos got their pictures; the manual keeps the generic icon.
    EXPECT_GT(shown->item(0)->icon().pixmap(16).toImage().pixelColor(8, 8).red(), 150);
    const std::vector<Attachment> before = details->attachments();
    // Asking again for the same item shows the same window.
    menuAction(QStringLiteral("Item Details…"))->trigger();
    EXPECT_EQ(form().findChildren<ItemDetailsWindow*>().size(), 1);

    // Make Primary Photo moves the back view first; undo puts it back.
    shown->setCurrentRow(1);
    details->findChild<QPushButton*>("makePrimaryButton")->click();
    EXPECT_EQ(namesOf(attachmentsOf(0)), (QStringList{"back.jpg", "front.jpg", "manual.pdf"}));
    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Make Primary Photo"));
    form().undoStack().undo();
    EXPECT_EQ(namesOf(attachmentsOf(0)), (QStringList{"front.jpg", "back.jpg", "manual.pdf"}));
    EXPECT_EQ(namesOf(details->attachments()), namesOf(attachmentsOf(0)));

    // The caption.
    shown->setCurrentRow(0);
    auto* caption = details->findChild<QLineEdit*>("captionField");
    caption->setText(QStringLiteral("Front, serial visible"));
    emit caption->editingFinished();
    EXPECT_EQ(attachmentsOf(0)[0].caption, QStringLiteral("Front, serial visible"));
    form().undoStack().undo();
    EXPECT_TRUE(attachmentsOf(0)[0].caption.isEmpty());
    form().undoStack().redo();
    EXPECT_EQ(attachmentsOf(0)[0].caption, QStringLiteral("Front, serial visible"));

    // The kind: the manual is a manual.
    shown->setCurrentRow(2);
    auto* kind = details->findChild<QComboBox*>("kindBox");
    const int manual = kind->findText(QStringLiteral("Manual"));
    kind->setCurrentIndex(manual);
    emit kind->activated(manual);
    EXPECT_EQ(attachmentsOf(0)[2].kind, AttachmentKind::Manual);
    form().undoStack().undo();
    EXPECT_EQ(attachmentsOf(0)[2].kind, AttachmentKind::Document);

    // Remove, and its undo brings the same record back to its place.
    shown->setCurrentRow(1);
    details->findChild<QPushButton*>("removeAttachmentButton")->click();
    EXPECT_EQ(namesOf(attachmentsOf(0)), (QStringList{"front.jpg", "manual.pdf"}));
    EXPECT_EQ(shown->count(), 2);
    form().undoStack().undo();
    const std::vector<Attachment> restored = attachmentsOf(0);
    ASSERT_EQ(restored.size(), 3u);
    EXPECT_EQ(restored[1].id, before[1].id);
    EXPECT_EQ(restored[1].file.sha256, before[1].file.sha256);
    EXPECT_EQ(shown->count(), 3);

    // Add… in the window keeps more files with its item, and the window shows them.
    prompts.fileListAnswers = {{photo(QStringLiteral("label.jpg"), qRgb(0, 120, 0))}};
    details->findChild<QPushButton*>("addAttachmentsButton")->click();
    EXPECT_EQ(namesOf(attachmentsOf(0)).last(), QStringLiteral("label.jpg"));
    EXPECT_EQ(shown->count(), 4);
}

// A change the database refuses (a caption far beyond what it keeps) is told after the step,
// changes nothing and leaves no step to undo.
TEST_F(MainWindowAttachmentsTest, ARefusedChangeIsToldAndLeavesNoStep)
{
    startWithLocations({"Hall"});
    select(0);
    prompts.fileListAnswers = {{photo(QStringLiteral("front.jpg"))}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    const int steps = form().undoStack().count();
    const AttachmentId id = attachmentsOf(0)[0].id;
    form().attachments()->setCaption(id, QString(200000, QLatin1Char('x')));
    settle();
    EXPECT_EQ(form().undoStack().count(), steps);
    EXPECT_TRUE(attachmentsOf(0)[0].caption.isEmpty());
    ASSERT_EQ(prompts.messages().size(), 1);
    // The step before is still the one Undo takes back.
    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Add Attachment"));
}

// A store that cannot be opened (a file in the way of its folder) leaves the window working:
// the list and Add as before, and Add Attachments says why it cannot keep files.
TEST_F(MainWindowAttachmentsTest, WithoutAStoreTheWindowWorksAndSaysWhyFilesCannotBeKept)
{
    storeLocations({"Hall"});
    {
        QFile inTheWay(storeFolder());
        ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    }
    loadedForm();
    EXPECT_EQ(form().attachments(), nullptr);
    select(0);
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(QStringLiteral("Files cannot be kept")));
    // A typed photo is only text then, as it always was.
    typeItem({"Lounge", "Sofa", "", "", "", "", "", "", "", "", "", photo("sofa.jpg")});
    form().addItem();
    EXPECT_EQ(form().itemCount(), 2);
    EXPECT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(form().close());
}

TEST_F(MainWindowAttachmentsTest, OpenShowsAReadOnlyStoredFileUnderItsOwnName)
{
    startWithLocations({"Hall"});
    select(0);
    prompts.fileListAnswers = {{write(QStringLiteral("Receipt 2024.pdf"), "%PDF-1.4 r")}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    menuAction(QStringLiteral("Item Details…"))->trigger();
    ItemDetailsWindow* details = detailsWindow();
    ASSERT_NE(details, nullptr);
    details->findChild<QListWidget*>("attachmentList")->setCurrentRow(0);
    details->findChild<QPushButton*>("openAttachmentButton")->click();
    ASSERT_EQ(openedUrls.size(), 1);
    const QFileInfo opened(openedUrls[0].toLocalFile());
    EXPECT_EQ(opened.fileName(), QStringLiteral("Receipt 2024.pdf"));
    const QString stored = form().attachments()->keeper().filePath(attachmentsOf(0)[0]);
    EXPECT_EQ(opened.canonicalFilePath(), QFileInfo(stored).canonicalFilePath());
    EXPECT_EQ(QFileInfo(stored).permissions() &
                  (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
}

TEST_F(MainWindowAttachmentsTest, DoubleClickOnThePhotoColumnShowsDetailsElsewhereEditsInPlace)
{
    startWithLocations({"Hall"});
    form().show();
    QApplication::setActiveWindow(&form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    QWidget* viewport = list()->viewport();
    const auto editing = [&] {
        const QWidget* focus = QApplication::focusWidget();
        return focus && focus->parentWidget() == viewport;
    };
    doubleClick(viewport, list()->visualRect(cell(0, 0)).center());
    EXPECT_EQ(detailsWindow(), nullptr);
    EXPECT_TRUE(editing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    ASSERT_FALSE(editing());

    list()->scrollTo(cell(0, kPhotoField));
    doubleClick(viewport, list()->visualRect(cell(0, kPhotoField)).center());
    ASSERT_NE(detailsWindow(), nullptr);
    EXPECT_EQ(detailsWindow()->item(), idOf(0));
    EXPECT_FALSE(editing());
}

// Taking the settings file's list at start gives its items new places; an item it holds
// unchanged keeps its id and so its photos, which the purge at that start must not take.
TEST_F(MainWindowAttachmentsTest, TakingTheSettingsListKeepsTheAttachmentsOfUnchangedItems)
{
    storeLocations({"Hall", "Loft"});
    loadedForm().show();
    select(0);
    prompts.fileListAnswers = {{photo(QStringLiteral("hall.jpg"))}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    select(1);
    prompts.fileListAnswers = {{photo(QStringLiteral("loft.jpg"), qRgb(0, 200, 0))}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    ASSERT_TRUE(form().close());
    discardForm();

    // Another program rewrote the list: Hall kept, Loft gone, Shed new.
    std::vector<Item> changed(2);
    changed[0].fields[kLocationField] = QStringLiteral("Shed");
    changed[1].fields[kLocationField] = QStringLiteral("Hall");
    settings.write(kItemsKey, encodedItems(changed));
    prompts.yesNoAnswers = {true};
    loadedForm();
    ASSERT_EQ(rows().size(), 2);
    EXPECT_TRUE(attachmentsOf(0).empty());
    EXPECT_EQ(namesOf(attachmentsOf(1)), QStringList{"hall.jpg"});
    // The Loft's photo went with the Loft; the Hall's file is still in the store.
    ASSERT_EQ(storedFiles().size(), 1);
    EXPECT_EQ(storedFiles()[0], attachmentsOf(1)[0].file.sha256);
}

TEST_F(MainWindowAttachmentsTest, DuplicateGivesTheCopyItsOwnRecordsOfTheSameFiles)
{
    startWithLocations({"Hall", "Loft"});
    select(0);
    prompts.fileListAnswers = {{photo(QStringLiteral("tv.jpg")),
                                write(QStringLiteral("receipt.pdf"), "%PDF-1.4 receipt")}};
    menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    const std::vector<Attachment> originals = attachmentsOf(0);
    ASSERT_EQ(originals.size(), 2u);
    form().attachments()->setCaption(originals[1].id, QStringLiteral("Bought 2021"));

    select(0);
    form().duplicateItem();
    ASSERT_EQ(form().itemCount(), 3);
    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Duplicate Item"));
    const ItemId copy = idOf(1);
    const std::vector<Attachment> copied = inventory().attachments(copy);
    ASSERT_EQ(namesOf(copied), (QStringList{"tv.jpg", "receipt.pdf"}));
    EXPECT_EQ(copied[0].file.sha256, originals[0].file.sha256);
    EXPECT_EQ(copied[1].caption, QStringLiteral("Bought 2021"));
    EXPECT_EQ(copied[1].kind, AttachmentKind::Document);
    EXPECT_NE(copied[0].id, originals[0].id);
    // The files are shared, not stored twice.
    EXPECT_EQ(storedFiles().size(), 2);

    // Undo takes the copy away; redo brings it back with its attachments.
    form().undoStack().undo();
    ASSERT_EQ(form().itemCount(), 2);
    form().undoStack().redo();
    ASSERT_EQ(idOf(1), copy);
    EXPECT_EQ(inventory().attachments(copy).size(), 2u);

    // Removing one from the original leaves the copy's; the shared file stays for it.
    form().attachments()->remove(originals[0].id);
    select(0);
    form().deleteSelectedItem();
    form().show();
    ASSERT_TRUE(form().close());
    discardForm();
    loadedForm();
    EXPECT_EQ(namesOf(inventory().attachments(copy)), (QStringList{"tv.jpg", "receipt.pdf"}));
    EXPECT_EQ(storedFiles().size(), 2);
}

TEST_F(MainWindowAttachmentsTest, ItemDetailsFollowsItsItemAndGoesWithIt)
{
    startWithLocations({"Hall", "Loft"});
    select(1);
    menuAction(QStringLiteral("Item Details…"))->trigger();
    ItemDetailsWindow* details = detailsWindow();
    ASSERT_NE(details, nullptr);
    auto* location = details->findChild<QLabel*>("field0");
    ASSERT_EQ(location->text(), QStringLiteral("Loft"));

    prompts.fieldTextAnswers.push_back(std::pair{int(kLocationField), QStringLiteral("Attic")});
    select(1);
    form().setFieldOfSelectedItems();
    EXPECT_EQ(location->text(), QStringLiteral("Attic"));
    form().undoStack().undo();
    EXPECT_EQ(location->text(), QStringLiteral("Loft"));

    const QPointer<ItemDetailsWindow> watched(details);
    select(1);
    form().deleteSelectedItem();
    settle();
    EXPECT_TRUE(watched.isNull() || !watched->isVisible());
}

TEST_F(MainWindowAttachmentsTest, ThePurgeAtStartAndCloseKeepsWhatItemsNameAndRemovesOrphans)
{
    startWithLocations({"Hall", "Loft", "Shed"});
    for (int row = 0; row < 3; ++row) {
        select(row);
        prompts.fileListAnswers = {
            {photo(QStringLiteral("item%1.jpg").arg(row), qRgb(60 * row, 10, 10))}};
        menuAction(QStringLiteral("Add Attachments to Item…"))->trigger();
    }
    ASSERT_EQ(storedFiles().size(), 3);
    const ItemId loft = idOf(1);
    const ItemId shed = idOf(2);
    // Deleting the Shed in the window keeps its records while undo may want them.
    select(2);
    form().deleteSelectedItem();
    EXPECT_EQ(inventory().attachments(shed).size(), 1u);
    form().undoStack().undo();
    ASSERT_EQ(form().itemCount(), 3);
    EXPECT_EQ(inventory().attachments(shed).size(), 1u);
    select(2);
    form().deleteSelectedItem();
    form().show();
    ASSERT_TRUE(form().close());
    EXPECT_TRUE(inventory().attachments(shed).empty());
    EXPECT_EQ(storedFiles().size(), 2);
    discardForm();

    // Another process removed the Loft while no window was open: the next start clears its
    // photo away, and keeps the Hall's.
    inventory().remove({loft});
    loadedForm();
    EXPECT_TRUE(inventory().attachments(loft).empty());
    ASSERT_EQ(storedFiles().size(), 1);
    EXPECT_EQ(namesOf(attachmentsOf(0)), QStringList{"item0.jpg"});
    EXPECT_EQ(storedFiles()[0], attachmentsOf(0)[0].file.sha256);
}

} // namespace
} // namespace stowfolio
