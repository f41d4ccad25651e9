#pragma once

// Every procedure that can show the error report box, and its numbered statements.
//
// The box names a failing statement by window or module, procedure and line: "in
// Stowfolio2021/08/31.Form1.PushButton6_Click at line 220". Users send screenshots of it to
// support, whose notes find the statement by exactly these names and numbers. They are shown
// to users: never rename a site, never renumber a line, and give a new statement a number of
// its own that no earlier statement of the procedure had.
//
// Lines rise by 2 within a procedure. A statement run once per field (the owner fields, an
// item's fields) numbers the series from its first line: numberedLine(first, n).
//
//     using Lines = errorsite::DeleteSelectedItem;
//     GuardedProcedure guard(prompts, Lines::site);
//     guard.step(Lines::kRemoveSelected, [&] { ... });

namespace stowfolio {

struct ErrorSite
{
    const char* module;    // the window or module the box names: "Form1", "Form2", "Excel1"
    const char* procedure; // the procedure it names: "Form_Load", "PushButton6_Click", ...
};

// The line of statement `n` (from 0) of a series numbered from `first`.
constexpr int numberedLine(int first, int n)
{
    return first + 2 * n;
}

namespace errorsite {

// ---- The main window ("Form1") ----

// MainWindow::startUp.
struct MainWindowStartUp
{
    static constexpr ErrorSite site{"Form1", "Form_Load"};
    enum Line : int
    {
        kApplySkin = 100,
        kSetCaptionIconAndTitle = 104,
        kLookForHandCursor = 106,
        kLoadHandCursor = 108,
        kOpenHomePage = 110,
        kRestoreOwnerFields = 128, // one line per owner field: 128 ... 142
        kReadItemList = 144,       // the inventory, and the settings file's list on its first start
        kShowItemList = 154,
        kCheckSpreadsheet = 162,
    };
};

// MainWindow::prepareToClose.
struct MainWindowClosing
{
    static constexpr ErrorSite site{"Form1", "Form_QueryUnload"};
    enum Line : int
    {
        kStoreItemList = 100
    };
};

// MainWindow::saveItemList, for the preview's closing.
struct SaveItemList
{
    static constexpr ErrorSite site{"Form1", "SaveItemList"};
    enum Line : int
    {
        kStoreItemList = 100
    };
};

// MainWindow::addItem ("Add").
struct AddItem
{
    static constexpr ErrorSite site{"Form1", "PushButton1_Click"};
    enum Line : int
    {
        kAppendRow = 100,   // the new item, stored as it is added
        kClearFields = 124, // one line per item field: 124 ... 146
    };
};

// MainWindow::deleteSelectedItem ("Delete Selected Entry (Above)").
struct DeleteSelectedItem
{
    static constexpr ErrorSite site{"Form1", "PushButton2_Click"};
    enum Line : int
    {
        kCheckNotEmpty = 100,
        kRemoveSelected = 102,
    };
};

// MainWindow::choosePhoto ("...").
struct ChoosePhoto
{
    static constexpr ErrorSite site{"Form1", "PushButton3_Click"};
    enum Line : int
    {
        kAskForPhoto = 106,
        kCheckChosen = 108,
        kFillPhotoField = 110
    };
};

// MainWindow::showHelp ("Help").
struct ShowHelp
{
    static constexpr ErrorSite site{"Form1", "PushButton4_Click"};
    enum Line : int
    {
        kShowHelp = 100
    };
};

// MainWindow::loadSampleData ("Load Sample/Example Data").
struct LoadSampleData
{
    static constexpr ErrorSite site{"Form1", "PushButton7_Click"};
    enum Line : int
    {
        kFillFields = 100, // the eight owner fields, then the twelve item fields: 100 ... 138
        kAppendRow = 140,  // the sample item, stored as it is added
    };
};

// WorkbookBuilder::buildAndShowPreview and fillInventoryWorkbook ("Start Creating Template").
struct BuildWorkbook
{
    static constexpr ErrorSite site{"Form1", "PushButton6_Click"};
    enum Line : int
    {
        kPrepareWorkFolder = 100,
        kCreateFillingApplication = 102,
        kReadTemplate = 104,
        kWriteTemplateCopy = 106,
        // Filling the template.
        kOpenTemplate = 108,
        kSilenceAlerts = 110,
        kSelectFirstSheet = 114,
        kActivateFirstSheet = 116,
        kWriteOwnerFields = 118, // one line per owner field: 118 ... 132
        kSelectItemBlock = 146,
        kCopyItemBlock = 148,
        kInsertItemBlock = 150,
        kEndCopyMode = 152,
        kCheckSpareRow = 158, // an odd item count leaves one row of the block spare
        kSelectSpareRow = 160,
        kDeleteSpareRow = 162,
        kSelectFirstItemRow = 164,
        kWriteLocation = 170,
        kWriteDescription = 172,
        kWriteDateToEstimate = 176, // Date, Where, Warranty, Price, Condition, Est. Value
        kWriteModelAndSerial = 182,
        kWriteNotesAndLater = 188, // Notes, Photo and any later field
        // Saving the work file.
        kRestorePointer = 194,
        kSelectSheetForSaving = 196,
        kSelectFirstCell = 198,
        kRestoreAlerts = 200,
        kHideApplication = 202,
        kNameWorkFile = 204,
        kSaveWorkFile = 220,
        kSilenceAlertsForClosing = 222,
        kCloseWorkbook = 224,
        kQuitFillingApplication = 226,
        kReleaseFillingApplication = 228,
        // The sheet's picture, from a second application.
        kOpenInPictureApplication = 230,
        kShowBusyPointer = 232,
        kFindOpenedWorkbook = 234,
        kSaveSheetPicture = 236,
        kSilencePictureAlerts = 238,
        kClosePictureWorkbook = 240,
        kQuitPictureApplication = 242,
        kRestorePointerAfterPicture = 244,
        // The hand-over to the preview.
        kLoadPictureIntoPreview = 246,
        kHandOverWorkbook = 248,
        kShowPreview = 250,
        kHideMainWindow = 252,
        kDeleteSheetPicture = 254,
        kDeleteTemplateCopy = 256,
    };
};

// ---- The sheet's picture ("Excel1") ----

// saveCellsActivesheet.
struct SheetSnapshot
{
    static constexpr ErrorSite site{"Excel1", "saveCellsActivesheet"};
    enum Line : int
    {
        kFindActiveSheet = 100,
        kFindLastRow = 102,
        kFindLastColumn = 104,
        kCheckUsedRange = 106,
        kDrawPicture = 110,
        kSavePicture = 112,
    };
};

// ---- The preview window ("Form2") ----

// PreviewWindow::setUpWindow.
struct PreviewSetUp
{
    static constexpr ErrorSite site{"Form2", "Form_Load"};
    enum Line : int
    {
        kResetColours = 102,
        kSetCaptionAndIcon = 104,
        kLookForHandCursor = 108,
        kLoadHandCursor = 110,
    };
};

// PreviewWindow::activated, setting the viewer up for a new picture.
struct PreviewActivation
{
    static constexpr ErrorSite site{"Form2", "Form_Activate"};
    enum Line : int
    {
        kStartAtFullSize = 124,
        kRedrawImage = 134,
        kSetUpScrollBars = 136
    };
};

// PreviewWindow::redrawImage and the repaint after a zoom step.
struct PreviewRedraw
{
    static constexpr ErrorSite site{"Form2", "RedrawImage"};
    enum Line : int
    {
        kRepaint = 100,
        kShowSurface = 108,
        kShowDefaultPointer = 114,
        kShowScrollBars = 116,
    };
};

// PreviewWindow::zoomIn ("Zoom In").
struct PreviewZoomIn
{
    static constexpr ErrorSite site{"Form2", "PushButton1_Click"};
    enum Line : int
    {
        kZoom = 100
    };
};

// PreviewWindow::zoomOut ("Zoom Out").
struct PreviewZoomOut
{
    static constexpr ErrorSite site{"Form2", "PushButton2_Click"};
    enum Line : int
    {
        kZoom = 100
    };
};

// PreviewWindow::pictureMousePressed: a drag of the picture starts.
struct PreviewDragStart
{
    static constexpr ErrorSite site{"Form2", "picture1_MouseDown"};
    enum Line : int
    {
        kStartDrag = 100
    };
};

// PreviewWindow::pictureMouseMoved: the picture follows the pointer.
struct PreviewDrag
{
    static constexpr ErrorSite site{"Form2", "picture1_MouseMove"};
    enum Line : int
    {
        kCheckButtons = 100,
        kDrag = 104,
        kShowSurface = 124
    };
};

// PreviewWindow::pictureMouseReleased: the drag ends.
struct PreviewDragEnd
{
    static constexpr ErrorSite site{"Form2", "Picture1_MouseUp"};
    enum Line : int
    {
        kEndDrag = 100,
        kShowScrollBarsAndSurface = 104
    };
};

// PreviewWindow::goBack ("< Back").
struct PreviewBack
{
    static constexpr ErrorSite site{"Form2", "PushButton8_Click"};
    enum Line : int
    {
        kDeleteWorkbook = 102,
        kShowMainWindow = 104,
        kHide = 106
    };
};

// PreviewWindow::saveWorkbookAs ("Save Results To Excel File").
struct PreviewSave
{
    static constexpr ErrorSite site{"Form2", "PushButton6_Click"};
    enum Line : int
    {
        kAskForFileName = 112,
        kCheckExists = 118,
        kConfirmOverwrite = 120,
        kCopyWorkbook = 130,
        kSayDone = 132,
    };
};

// PreviewWindow::prepareToClose.
struct PreviewClosing
{
    static constexpr ErrorSite site{"Form2", "Form_QueryUnload"};
    enum Line : int
    {
        kDeleteWorkbook = 100,
        kLetEventsRun = 102,
        kStoreItemList = 106
    };
};

} // namespace errorsite

} // namespace stowfolio
