// Editing in the main window: the buttons, save-on-change, select-all-on-focus and the pointer.

#include "app/main_window.h"

#include "app/attachment_commands.h"
#include "app/owner_fields_command.h"
#include "app/typing_command.h"

#include "platform/error_report.h"
#include "platform/file_helpers.h"
#include "platform/prompts.h"
#include "state/inventory_conventions.h"
#include "state/item_list_codec.h"
#include "state/item_values.h"
#include "state/settings_store.h"

#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace stowfolio {

namespace {

const QString kHelpText =
    QStringLiteral("Questions? Please contact Team Quillane at https://quillane.example/contact");
const QString kPhotoDialogTitle =
    QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files");
const QString kPhotoDialogFilter =
    QStringLiteral("Supported Pictures (*.jpg;*.bmp;*.jpeg)|*.jpg;*.bmp;*.jpeg|");

// The photo dialog's filters: the long-standing one first, then every picture format this
// build of Qt can read.
QString photoDialogFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    patterns.removeDuplicates();
    const QString list = patterns.join(QLatin1Char(';'));
    return kPhotoDialogFilter + QStringLiteral("All Pictures (%1)|%1|").arg(list);
}

// The keys of the window's Undo and Redo (main_window_menus.cpp).
bool isUndoOrRedoKey(const QKeyEvent& key)
{
    return key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo) ||
           key.keyCombination() == QKeyCombination(Qt::CTRL | Qt::Key_Y);
}

// An item field as the user knows it ("Purchase Location").
QString fieldName(int field)
{
    return fieldText(kItemFields[static_cast<std::size_t>(field)].name);
}

} // namespace

void MainWindow::connectBehaviour()
{
    for (int i = 0; i < kOwnerFieldCount; ++i) {
        const QString key = kOwnerFieldKeys[i];
        connect(m_ownerFields[i], &QLineEdit::textChanged, this,
                [this, key](const QString& text) { storeValue(key, text); });
    }
    for (QLineEdit* field : m_ownerFields)
        recordTyping(*field);
    for (QLineEdit* field : m_itemFields)
        recordTyping(*field);

    connect(m_addButton, &QPushButton::clicked, this, &MainWindow::addItem);
    connect(m_deleteButton, &QPushButton::clicked, this, &MainWindow::deleteSelectedItem);
    connect(m_photoButton, &QPushButton::clicked, this, &MainWindow::choosePhoto);
    connect(m_helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(m_templateButton, &QPushButton::clicked, this, &MainWindow::startCreatingTemplate);
    connect(m_sampleButton, &QPushButton::clicked, this, &MainWindow::loadSampleData);

    for (QPushButton* button : {m_addButton, m_deleteButton, m_photoButton, m_helpButton,
                                m_templateButton, m_sampleButton})
        m_pointer.addHandElement(*button);
    m_pointer.addDefaultElement(*this);
    for (QGroupBox* frame : findChildren<QGroupBox*>())
        m_pointer.addDefaultElement(*frame);
    m_pointer.addDefaultElement(*m_list);
    for (QLineEdit* field : m_ownerFields)
        m_pointer.addDefaultElement(*field);
    // The item fields and the labels have no pointer rule: the pointer stays as it was.
    for (QLineEdit* field : m_itemFields)
        m_pointer.addInertElement(*field);
    for (QLabel* label : m_labels)
        m_pointer.addInertElement(*label);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // In the entry fields Undo and Redo are the window's, as the Edit menu says: a field would
    // otherwise take their keys for its own undo of typing. Ignoring the override lets the
    // window's shortcut run; the key itself, when that command is disabled, is dropped.
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        qobject_cast<QLineEdit*>(watched) && isUndoOrRedoKey(*static_cast<QKeyEvent*>(event))) {
        event->setAccepted(event->type() == QEvent::KeyPress);
        return true;
    }
    // Every entry field selects its whole text when it gets the focus; typing after coming back
    // to a field is an undo step of its own.
    if (event->type() == QEvent::FocusIn) {
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
            field->selectAll();
            ++m_fieldVisit;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// What the user types in an entry field is a step on the window's undo stack; texts the
// program puts there (Add, the sample, Undo itself) are not.
void MainWindow::recordTyping(QLineEdit& field)
{
    field.installEventFilter(this);
    m_fieldTexts.insert(&field, field.text());
    connect(&field, &QLineEdit::textEdited, this, [this, &field](const QString& text) {
        const QString before = m_fieldTexts.value(&field);
        m_fieldTexts.insert(&field, text);
        m_undoStack.push(
            new TypingCommand(field, entryFieldName(field), before, text, m_fieldVisit));
    });
    connect(&field, &QLineEdit::textChanged, this,
            [this, &field](const QString& text) { m_fieldTexts.insert(&field, text); });
}

// The caption of an entry field's label without its mnemonic and colon ("Purchase Date").
QString MainWindow::entryFieldName(const QLineEdit& field) const
{
    for (const QLabel* label : m_labels)
        if (label->buddy() == &field) {
            QString name = label->text().remove(QLatin1Char('&')).trimmed();
            if (name.endsWith(QLatin1Char(':')))
                name.chop(1);
            return name;
        }
    return field.objectName();
}

// Every change is stored at once: the settings store takes it and writes the file in the
// background, telling takeStoreOutcome() how that went. Stores run on every keystroke, so a disk
// that refuses them is told once, not at every key; the next change tries again and stores
// everything held.
void MainWindow::storeValue(const QString& key, const QString& text)
{
    try {
        m_deps.settings.write(key, text);
    } catch (const std::exception& error) {
        tellStoreFailure(QString::fromUtf8(error.what()));
        return;
    }
    if (!m_deps.settings.hasUnsavedChanges())
        takeStoreOutcome(QString());
}

// Waits until the settings store has written what it was given; true when everything is stored.
bool MainWindow::settingsStored()
{
    try {
        m_deps.settings.flush();
    } catch (const std::exception& error) {
        tellStoreFailure(QString::fromUtf8(error.what()));
        return false;
    }
    takeStoreOutcome(QString());
    return true;
}

void MainWindow::takeStoreOutcome(const QString& failure)
{
    if (!failure.isEmpty()) {
        tellStoreFailure(failure);
        return;
    }
    m_storeFailure.clear();
    m_storeFailureTold = false;
}

void MainWindow::tellStoreFailure(const QString& failure)
{
    m_storeFailure = failure;
    if (m_storeFailureTold)
        return;
    m_storeFailureTold = true;
    m_deps.prompts.showMessage(
        m_storeFailure +
            QStringLiteral("\r\n\r\nYour changes stay in the window, and Stowfolio tries "
                           "again to save them with every change. Until then they are not "
                           "saved: free some disk space or make the folder writable."),
        QString(), MessageIcon::Exclamation);
}

// The stored item list has no way to hold its two separators, so a field containing one is
// refused before it is stored rather than coming back changed after a restart; so is a field
// longer than a sheet cell holds. Empty when `text` can be kept in field `field`.
QString MainWindow::refusalOf(int field, const QString& text) const
{
    if (const auto separator = firstSeparatorIn(text.toStdU16String()))
        return separatorRefusal(field, QChar(*separator));
    if (text.size() > kMaxFieldLength)
        return tooLongRefusal(field, text.size());
    return {};
}

bool MainWindow::refuseUnstorableFields()
{
    for (int i = 0; i < kItemFieldCount; ++i) {
        const QString refusal = refusalOf(i, m_itemFields[i]->text());
        if (refusal.isEmpty())
            continue;
        m_deps.prompts.showMessage(refusal, QString(), MessageIcon::Exclamation);
        return true;
    }
    return false;
}

QString MainWindow::separatorRefusal(int field, QChar separator) const
{
    return QStringLiteral("The %1 field contains the character \"%2\", which cannot be kept in "
                          "the saved list. Please remove it and press Add again.")
        .arg(fieldName(field), separator);
}

QString MainWindow::tooLongRefusal(int field, qsizetype length) const
{
    return QStringLiteral("The %1 field holds %L2 characters; a field can hold at most %L3, what "
                          "one cell of the sheet holds. Please shorten it.")
        .arg(fieldName(field))
        .arg(length)
        .arg(kMaxFieldLength);
}

// Adds the item typed in the item fields at the end of the list, as one undoable step. False
// when the inventory refused it (the user has been told); the fields then keep their texts.
bool MainWindow::addItemFromFields(const QString& text)
{
    Item item;
    for (int i = 0; i < kItemFieldCount; ++i)
        item.fields[static_cast<std::size_t>(i)] = m_itemFields[i]->text();
    const int before = itemCount();
    // A Photo naming a readable file is kept as the item's first photo too, in the same step.
    if (const QString& photo = item.fields[kPhotoField]; keepsTypedPhoto(photo))
        whileBusy([&] {
            m_undoStack.push(
                new AddItemWithPhotoCommand(*this, *m_attachments, before, item, photo, text));
        });
    else
        m_undoStack.push(new InsertItemsCommand(*this, before, {item}, text));
    return itemCount() > before;
}

void MainWindow::addItem()
{
    if (refuseUnstorableFields())
        return;
    using Lines = errorsite::AddItem;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    bool added = false;
    guard.step(Lines::kAppendRow, [&] { added = addItemFromFields(QStringLiteral("Add Item")); });
    if (!added)
        return;
    for (int i = 0; i < kItemFieldCount; ++i)
        guard.step(numberedLine(Lines::kClearFields, i), [&] { m_itemFields[i]->clear(); });
}

void MainWindow::deleteSelectedItem()
{
    using Lines = errorsite::DeleteSelectedItem;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    if (!guard.test(Lines::kCheckNotEmpty, [&] { return itemCount() > 0; }))
        return;
    guard.step(Lines::kRemoveSelected, [&] {
        // With rows but none selected there is nothing to remove.
        const std::vector<int> rows = selectedRows();
        if (rows.empty())
            return;
        std::vector<PlacedItem> removed;
        removed.reserve(rows.size());
        for (const int row : rows)
            removed.push_back(PlacedItem{row, m_model.item(row)});
        m_undoStack.push(new RemoveItemsCommand(*this, std::move(removed),
                                                rows.size() == 1 ? QStringLiteral("Delete Item")
                                                                 : QStringLiteral("Delete Items")));
    });
}

void MainWindow::choosePhoto()
{
    using Lines = errorsite::ChoosePhoto;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    QString fileName;
    guard.step(Lines::kAskForPhoto, [&] {
        fileName =
            m_deps.prompts.openFileName(kPhotoDialogTitle, photoDialogFilter(), picturesFolder());
    });
    if (guard.test(Lines::kCheckChosen, [&] { return !fileName.isEmpty(); }))
        guard.step(Lines::kFillPhotoField, [&] { m_itemFields[11]->setText(fileName); });
}

void MainWindow::showHelp()
{
    GuardedProcedure guard(m_deps.prompts, errorsite::ShowHelp::site);
    guard.step(errorsite::ShowHelp::kShowHelp,
               [&] { m_deps.prompts.showMessage(kHelpText, QString(), MessageIcon::None); });
}

void MainWindow::setOwnerFieldTexts(const QStringList& texts)
{
    for (int i = 0; i < kOwnerFieldCount && i < texts.size(); ++i)
        m_ownerFields[i]->setText(texts[i]);
}

void MainWindow::startCreatingTemplate()
{
    if (m_startCreatingTemplate)
        m_startCreatingTemplate();
}

void MainWindow::loadSampleData()
{
    using Lines = errorsite::LoadSampleData;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    const std::array<std::pair<QLineEdit*, QString>, kOwnerFieldCount + kItemFieldCount> sample = {{
        {m_ownerFields[0], QStringLiteral("Tobin Harwell")},
        {m_ownerFields[1], QStringLiteral("115 Birchwood st")},
        {m_ownerFields[2], QStringLiteral("French Leek, IN")},
        {m_ownerFields[3], QString()},
        {m_ownerFields[4], QStringLiteral("Oak Insurance")},
        {m_ownerFields[5], QStringLiteral("Marla")},
        {m_ownerFields[6], QString()},
        {m_ownerFields[7], QStringLiteral("000-585-678")},
        {m_itemFields[0], QStringLiteral("Garage")},
        {m_itemFields[1], QStringLiteral("Chevrolet Suburban")},
        {m_itemFields[2], dateText(QDate(2005, 10, 16), m_model.conventions())},
        {m_itemFields[3], QStringLiteral("Gus's garage")},
        {m_itemFields[4], QStringLiteral("Ended")},
        {m_itemFields[5], QStringLiteral("45000")},
        {m_itemFields[6], QStringLiteral("Old")},
        {m_itemFields[7], QString()},
        {m_itemFields[8], QString()},
        {m_itemFields[9], QStringLiteral("CTJ156FG158")},
        {m_itemFields[10], QString()},
        {m_itemFields[11], QString()},
    }};
    // The owner fields the user had typed come back with Undo, together with the list.
    const QStringList ownerFieldsBefore = ownerFieldTexts();
    for (std::size_t step = 0; step < sample.size(); ++step) {
        const auto& [field, value] = sample[step];
        guard.step(numberedLine(Lines::kFillFields, static_cast<int>(step)),
                   [&] { field->setText(value); });
    }
    guard.step(Lines::kAppendRow, [&] {
        Item item;
        for (int i = 0; i < kItemFieldCount; ++i)
            item.fields[static_cast<std::size_t>(i)] = m_itemFields[i]->text();
        ItemListEditing& list = *this;
        m_undoStack.push(new WithOwnerFieldsCommand(
            std::make_unique<InsertItemsCommand>(list, itemCount(), std::vector<Item>{item},
                                                 QStringLiteral("Load Sample Item")),
            ownerFieldsBefore, ownerFieldTexts(),
            [this](const QStringList& texts) { setOwnerFieldTexts(texts); }));
    });
}

} // namespace stowfolio
