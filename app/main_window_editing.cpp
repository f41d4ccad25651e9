// Editing in the main window: the buttons, save-on-change, select-all-on-focus and the pointer.

#include "app/main_window.h"

#include "app/list_row.h"

#include "platform/error_report.h"
#include "platform/prompts.h"
#include "state/item_list_codec.h"
#include "state/item_values.h"
#include "state/settings_store.h"

#include <QDate>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>

namespace stowfolio {

namespace {

const QString kHelpText =
    QStringLiteral("Questions? Please contact Team Quillane at https://quillane.example/contact");
const QString kPhotoDialogTitle =
    QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files");
const QString kPhotoDialogFilter =
    QStringLiteral("Supported Pictures (*.jpg;*.bmp;*.jpeg)|*.jpg;*.bmp;*.jpeg|");

// The item fields as the user knows them, in the list's column order.
const std::array<QString, MainWindow::kItemFieldCount> kItemFieldNames = {
    QStringLiteral("Location"),      QStringLiteral("Description"),
    QStringLiteral("Purchase Date"), QStringLiteral("Purchase Location"),
    QStringLiteral("Warranty"),      QStringLiteral("Price"),
    QStringLiteral("Condition"),     QStringLiteral("Est. Value"),
    QStringLiteral("Model"),         QStringLiteral("Serial #"),
    QStringLiteral("Notes"),         QStringLiteral("Photo")};

} // namespace

void MainWindow::connectBehaviour()
{
    for (int i = 0; i < kOwnerFieldCount; ++i) {
        const QString key = kOwnerFieldKeys[i];
        connect(m_ownerFields[i], &QLineEdit::textChanged, this,
                [this, key](const QString& text) { storeValue(key, text); });
    }
    for (QLineEdit* field : m_ownerFields)
        field->installEventFilter(this);
    for (QLineEdit* field : m_itemFields)
        field->installEventFilter(this);

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
    // Every entry field selects its whole text when it gets the focus.
    if (event->type() == QEvent::FocusIn) {
        if (auto* field = qobject_cast<QLineEdit*>(watched))
            field->selectAll();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Every change is stored at once. Stores run on every keystroke, so a disk that refuses them is
// told once, not at every key; the next change tries again and stores everything held.
void MainWindow::storeValue(const QString& key, const QString& text)
{
    try {
        m_deps.settings.write(key, text);
        m_storeFailure.clear();
        m_storeFailureTold = false;
    } catch (const std::exception& error) {
        m_storeFailure = QString::fromUtf8(error.what());
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
}

// The stored item list has no way to hold its two separators, so an item containing one is
// refused before it is added rather than coming back changed after a restart.
bool MainWindow::refuseSeparators()
{
    for (int i = 0; i < kItemFieldCount; ++i) {
        const auto separator = firstSeparatorIn(m_itemFields[i]->text().toStdU16String());
        if (!separator)
            continue;
        m_deps.prompts.showMessage(separatorRefusal(i, QChar(*separator)), QString(),
                                   MessageIcon::Exclamation);
        return true;
    }
    return false;
}

QString MainWindow::separatorRefusal(int field, QChar separator) const
{
    return QStringLiteral("The %1 field contains the character \"%2\", which cannot be kept in "
                          "the saved list. Please remove it and press Add again.")
        .arg(kItemFieldNames[static_cast<std::size_t>(field)], separator);
}

void MainWindow::appendRows(const QList<QTreeWidgetItem*>& rows)
{
    const bool wasEmpty = itemCount() == 0;
    m_list->addTopLevelItems(rows);
    // The list's first row becomes its current one, so Delete works at once.
    if (wasEmpty && itemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

// A new row from the item fields: its text at line `firstLine`, each further field on the next
// line of the series.
void MainWindow::appendRowFromFields(GuardedProcedure& guard, int firstLine)
{
    QTreeWidgetItem* row = nullptr;
    guard.step(firstLine, [&] {
        row = new ListRow(QStringList{m_itemFields[0]->text()});
        appendRows({row});
    });
    for (int n = 1; n < kItemFieldCount; ++n) {
        guard.step(numberedLine(firstLine, n), [&] {
            if (!row)
                throw std::runtime_error("Object variable not set: no row was added");
            row->setText(n, m_itemFields[n]->text());
        });
    }
}

void MainWindow::addItem()
{
    if (refuseSeparators())
        return;
    using Lines = errorsite::AddItem;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    appendRowFromFields(guard, Lines::kAppendRow);
    for (int i = 0; i < kItemFieldCount; ++i)
        guard.step(numberedLine(Lines::kClearFields, i), [&] { m_itemFields[i]->clear(); });
    storeItemList(guard, Lines::kStoreItemList);
    pushAddedRow(QStringLiteral("Add Item"));
}

void MainWindow::deleteSelectedItem()
{
    using Lines = errorsite::DeleteSelectedItem;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    if (!guard.test(Lines::kCheckNotEmpty, [&] { return itemCount() > 0; }))
        return;
    guard.step(Lines::kRemoveSelected, [&] {
        // With rows but none selected there is nothing to remove.
        const int row = selectedRow();
        if (row < 0)
            return;
        const QStringList removed = itemRow(row);
        delete m_list->topLevelItem(row);
        m_undoStack.push(new RemoveRowCommand(*this, row, removed, FirstRedo::AlreadyDone));
    });
    storeItemList(guard, Lines::kStoreItemList);
}

void MainWindow::choosePhoto()
{
    using Lines = errorsite::ChoosePhoto;
    GuardedProcedure guard(m_deps.prompts, Lines::site);
    QString fileName;
    guard.step(Lines::kAskForPhoto, [&] {
        fileName = m_deps.prompts.openFileName(kPhotoDialogTitle, kPhotoDialogFilter);
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
        {m_itemFields[2], shortDateWithFullYear(QDate(2005, 10, 16))},
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
    for (std::size_t step = 0; step < sample.size(); ++step) {
        const auto& [field, value] = sample[step];
        guard.step(numberedLine(Lines::kFillFields, static_cast<int>(step)),
                   [&] { field->setText(value); });
    }
    appendRowFromFields(guard, Lines::kAppendRow);
    storeItemList(guard, Lines::kStoreItemList);
    pushAddedRow(QStringLiteral("Load Sample Item"));
}

// The row a button has just appended becomes one step that Undo takes back.
void MainWindow::pushAddedRow(const QString& text)
{
    if (itemCount() == 0)
        return;
    const int row = itemCount() - 1;
    m_undoStack.push(
        new InsertRowsCommand(*this, row, {itemRow(row)}, FirstRedo::AlreadyDone, text));
}

} // namespace stowfolio
