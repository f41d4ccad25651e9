#pragma once

// The main window: the eight owner and insurance fields (saved to the settings store the moment
// they change), the twelve detail fields of the item being typed, and the item list ListView1,
// a view of the InventoryModel over the inventory database (every change stored as it is made;
// the whole list is also written under "Items" when the window closes). startUp restores both
// and checks that the spreadsheet application can be created before the window is first shown.
//
// The controls sit in the client area, the central widget, exactly as the form was drawn; the
// menu bar above it and the status line below it add to the window's height. Every change of
// the list goes through the undo stack (list_commands.h), whether a button, a menu or an edit
// in place made it.
//
// Controls carry their names as object names ("txtName", "PushButton1", "ListView1").

#include "app/item_attachments.h"
#include "app/list_commands.h"
#include "platform/home_page.h"
#include "platform/window_pointer.h"
#include "state/inventory_model.h"
#include "state/item_filter_model.h"
#include "state/item_values.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>

#include <array>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QModelIndex;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QToolBar;
class QTreeView;

namespace stowfolio {

class ExcelFactory;
class GuardedProcedure;
struct SettingsListCheck;
class Prompts;
class SettingsStore;

struct MainWindowDependencies
{
    SettingsStore& settings;
    // The items: the window reads them at start-up and stores every change in it.
    InventoryStore& inventory;
    Prompts& prompts;
    const ExcelFactory& excelFactory;
    // Where HAND-M.CUR and the skin x/o.cjs are looked for.
    QString applicationFolder;
    RandomFraction randomFraction;
    UrlOpener openUrl;
    // Ends the program at once (start-up without a spreadsheet application).
    std::function<void()> endProgram;
};

class MainWindow : public QMainWindow, private ItemListEditing
{
    Q_OBJECT

public:
    static constexpr int kOwnerFieldCount = 8;

    explicit MainWindow(MainWindowDependencies dependencies, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The drawn form with the menu bar and the status line: the size the window opens at when
    // the screen has room for it.
    QSize defaultSize() const;
    // The size to open at on a screen with `room` inside the window's frame: the default size,
    // one scroll bar wider when the form has to scroll, so that it never scrolls sideways too.
    QSize sizeToOpen(const QSize& room) const;

    // Start-up: skin, caption, icon, title, hand cursor, home page, restored fields and list,
    // spreadsheet check. Runs once, before the window is shown.
    void startUp();
    // Stores the item list; runs when the window is about to close.
    void prepareToClose();

    // What the workbook builder reads and drives.
    QStringList ownerFieldTexts() const; // txtName ... txtPolNo
    int columnCount() const;
    int itemCount() const;
    QStringList itemRow(int row) const; // columnCount() texts
    const InventoryModel& model() const { return m_model; }
    int pointerCode() const { return m_pointer.code(); }
    void setPointerCode(int code) { m_pointer.setCode(code); }
    void setStartCreatingTemplateHandler(std::function<void()> handler);

    // Stores the item list under "Items" now; for windows that end the program themselves.
    void saveItemList();
    // Stores the item list and says whether the program may end now: true when everything is
    // stored, or when the user, told what could not be stored, chooses to close anyway.
    bool mayEndProgram();

    // The menu commands that have no button of their own.
    void exportItemsAsCsv();
    void exportClaimKit(); // File ▸ Export Claim Kit… (main_window_claim_kit.cpp)
    void importItems();
    // Reads `path`, shows what it would add and adds it as one step when the user agrees.
    void importFile(const QString& path);
    void editItem();
    // Duplicate, Move and Set Field act on every selected item.
    void duplicateItem();
    void moveItem(int offset);
    void sortItemsBy(int field);
    void setFieldOfSelectedItems();
    // Edit ▸ Dates and Amounts…: the inventory's conventions, changed as one step.
    void chooseConventions();
    // Find: the bar below the list shows only the items holding its text.
    void showFindBar();
    void closeFindBar();
    bool isFinding() const;
    void showAbout();
    // Help ▸ User Guide (F1): how to use the program (help_window.h).
    void showHelpWindow();
    // Files kept with items (main_window_attachments.cpp): Edit ▸ Add Attachments to Item… asks
    // for files for the selected item; Item Details… shows its fields and attachments.
    void addAttachmentsToSelectedItem();
    void showItemDetails();
    // Null when the attachment store could not be opened (told when the user asks for it).
    ItemAttachments* attachments() { return m_attachments.get(); }
    QUndoStack& undoStack() { return m_undoStack; }
    QString statusLine() const;
    // A finished edit in place of one field: refused with a message when it holds a separator,
    // otherwise one step on the undo stack.
    void commitEdit(const QModelIndex& index, const QString& text);
    // Counts the items and adds up their estimated values again.
    void updateStatusLine();

    // What the push buttons do, in the order they sit on the form.
    void startCreatingTemplate();
    void showHelp();
    void loadSampleData();
    void choosePhoto(); // "..." beside the Photo field
    void addItem();
    void deleteSelectedItem();

signals:
    // The main window has closed and the program should end.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Layout (main_window_layout.cpp).
    void buildControls();
    QGroupBox* addFrame(const char* name, const QString& caption, int top, int height);
    QLineEdit* addField(QGroupBox* frame, const char* name, const QString& label, int top,
                        int left = 2040, int width = 7070);
    QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, int left,
                           int top, int width, int height);
    void buildList();
    void setFocusOrder();
    void placeControlsForResizing();
    void connectBehaviour();
    void recordTyping(QLineEdit& field);
    QString entryFieldName(const QLineEdit& field) const;
    // Menus and status line (main_window_menus.cpp).
    void buildMenus();
    void buildStatusLine();
    // The commands that act on the selected items are enabled only while some are selected.
    void connectSelectionActions();
    void updateSelectionActions();

    // Saved state.
    void restoreOwnerFields(GuardedProcedure& guard);
    void restoreItemList(GuardedProcedure& guard);
    QString settingsListQuestion(const SettingsListCheck& check) const;
    void storeItemList(GuardedProcedure& guard, int line);
    void storeValue(const QString& key, const QString& text);
    bool settingsStored();
    void takeStoreOutcome(const QString& failure);
    void tellStoreFailure(const QString& failure);
    bool closingDespiteUnsavedChanges();
    void tellRefusedChange(const QString& reason);
    void refreshFromOtherProcesses();

    // Editing.
    bool addItemFromFields(const QString& text);
    bool refuseUnstorableFields();
    QString refusalOf(int field, const QString& text) const;
    QString separatorRefusal(int field, QChar separator) const;
    QString tooLongRefusal(int field, qsizetype length) const;

    // The list as the undo commands change it (main_window_list.cpp).
    std::optional<std::vector<ItemId>> insertItems(int at, const std::vector<Item>& items) override;
    std::optional<std::vector<ItemId>> insertItems(const std::vector<PlacedItem>& placed) override;
    bool removeItems(const std::vector<ItemId>& ids) override;
    bool setField(ItemField field, const std::vector<FieldText>& texts) override;
    bool moveItem(ItemId id, int to) override;
    bool setOrder(const std::vector<ItemId>& order) override;
    const std::vector<Item>& listedItems() const override { return m_model.items(); }
    bool setConventions(const InventoryConventions& conventions,
                        const std::vector<ItemFieldText>& texts) override;
    void installItemEditing();
    // Rows here are rows of the inventory model, whatever Find hides.
    int selectedRow() const;
    std::vector<int> selectedRows() const; // rising
    void selectRow(int row);
    void selectItems(const std::vector<ItemId>& ids);
    QModelIndex viewIndex(int row, int column) const;
    void buildFindBar();
    void showSortIndicator(int field, SortDirection direction);
    void takeOwnerFields(const QStringList& fields, const QString& path);
    // Each field takes its text, and is saved as if typed.
    void setOwnerFieldTexts(const QStringList& texts);
    QStringList columnCaptions() const;
    // Files kept with items (main_window_attachments.cpp).
    void installAttachments(QMenu* edit);
    bool attachmentsAvailable();
    void addAttachmentsTo(ItemId item);
    void addFilesToItem(ItemId item, const QStringList& paths);
    // True when the typed Photo names a file that Add keeps as the item's first photo.
    bool keepsTypedPhoto(const QString& photo) const;
    void whileBusy(const std::function<void()>& work);
    void openAttachment(const Attachment& attachment);
    void purgeAttachments();

    MainWindowDependencies m_deps;
    WindowPointer m_pointer;
    QScrollArea* m_formArea = nullptr; // scrolls the form when the window is smaller
    QWidget* m_client = nullptr;
    QLabel* m_statusLine = nullptr;
    QUndoStack m_undoStack;
    // Each entry field's text before the keystroke being recorded, and which time the focus is
    // in a field: typing merges into one undo step within one visit.
    QHash<const QLineEdit*, QString> m_fieldTexts;
    int m_fieldVisit = 0;
    // The field of the last sort and its direction: picking it again reverses the order.
    int m_lastSortField = -1;
    SortDirection m_lastSortDirection = SortDirection::Ascending;
    std::array<QLineEdit*, kOwnerFieldCount> m_ownerFields{};
    // In the order of the list's columns: Location, Description, Date, ... Photo.
    std::array<QLineEdit*, kItemFieldCount> m_itemFields{};
    InventoryModel m_model;
    // What the list shows of the model: every item, or those Find finds.
    ItemFilterModel m_shown;
    QTreeView* m_list = nullptr;
    QToolBar* m_findBar = nullptr;
    QLineEdit* m_findField = nullptr;
    // Set while a sort reorders the list, so that its header keeps the sort indicator.
    bool m_sorting = false;
    // Looks every second whether another process (--import, a job) changed the inventory.
    QTimer m_refreshTimer;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_photoButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_templateButton = nullptr;
    QPushButton* m_sampleButton = nullptr;
    QList<QLabel*> m_labels;
    // Edit Item, Duplicate, Delete, Move Up and Down, Set Field: enabled while items are selected.
    QList<QAction*> m_selectionActions;
    std::function<void()> m_startCreatingTemplate;
    // Set when a store failed and the user was told; a store that succeeds clears it, so the
    // next failure is told again. The settings store may finish a store after the change that
    // made it; it then tells the window through takeStoreOutcome().
    bool m_storeFailureTold = false;
    QString m_storeFailure;
    // The attachment store and its undo steps, or why it could not be opened.
    std::unique_ptr<ItemAttachments> m_attachments;
    QString m_attachmentsFailure;
    // Links to kept files for the desktop's viewer, removed when the window goes.
    std::unique_ptr<QTemporaryDir> m_viewingFolder;
};

} // namespace stowfolio
