#pragma once

// The running program: the main window, the preview window (made at the first build) and the
// workbook builder that takes the user from one to the other.

#include "app/main_window.h"
#include "platform/home_page.h"
#include "platform/widget_prompts.h"
#include "preview/preview_window.h"
#include "workbook/workbook_builder.h"

#include <memory>

namespace stowfolio {

class ExcelFactory;
class InventoryStore;
class SettingsStore;

// What the program is made of; tests pass scripted prompts and a fixed random source.
struct ProgramServices
{
    SettingsStore& settings;
    InventoryStore& inventory;
    const ExcelFactory& excelFactory;
    QString applicationFolder;
    // Null: real dialogs over each window.
    Prompts* mainPrompts = nullptr;
    Prompts* previewPrompts = nullptr;
    RandomFraction randomFraction = systemRandomFraction();
    UrlOpener openUrl = desktopUrlOpener();
    // Where the private work folder is made.
    QString temporaryFolder = stowfolio::workFolderParent();
};

class Program
{
public:
    explicit Program(ProgramServices services);
    ~Program();

    // Start-up of the main window, then the main window on screen.
    void start();
    // Raises whichever window the user works in (a second start asked for it).
    void bringToFront();
    MainWindow& mainWindow() { return m_mainWindow; }
    // The preview window, once a build has made it.
    preview::PreviewWindow* previewWindow() { return m_previewWindow.get(); }
    // Ends the program (the event loop) at once.
    std::function<void()> endProgram;

private:
    void startCreatingTemplate();
    preview::PreviewWindow& loadPreview();
    Inventory inventoryOfMainWindow() const;
    // The attachments of the items of the preview's workbook, for its report.
    report::ReportEvidence previewEvidence() const;

    WidgetPrompts m_widgetPrompts;
    WidgetPrompts m_previewWidgetPrompts;
    Prompts& m_prompts;
    Prompts& m_previewPrompts;
    QString m_applicationFolder;
    InventoryStore& m_inventory;
    // The items the preview's workbook was built from, in its order.
    std::vector<Item> m_previewItems;
    MainWindow m_mainWindow;
    std::unique_ptr<preview::PreviewWindow> m_previewWindow;
    WorkbookBuilder m_builder;
    bool m_building = false;
};

} // namespace stowfolio
