#pragma once

// A main window with every dependency replaced: settings in memory, an inventory database in a
// temporary folder (kept across discardForm(), like a restart), scripted prompts, the built-in
// spreadsheet engine, a fixed random draw, a recording URL opener and an end of program that
// only counts.

#include "app/main_window.h"
#include "state/inventory_opening.h"
#include "state/inventory_store.h"
#include "state/memory_settings_store.h"
#include "tests/support/scripted_prompts.h"
#include "workbook/excel_factory.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace stowfolio {

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest() { registerBuiltInEngine(excelFactory); }

    MainWindow& form()
    {
        if (!m_form)
            m_form = std::make_unique<MainWindow>(MainWindowDependencies{
                settings, inventory(), prompts, excelFactory, appFolder.path(),
                [this] { return draw; }, [this](const QUrl& url) { openedUrls << url; },
                [this] { ++programEnds; }});
        return *m_form;
    }
    MainWindow& loadedForm()
    {
        form().startUp();
        return *m_form;
    }
    void discardForm() { m_form.reset(); }
    InventoryStore& inventory()
    {
        if (!m_inventory)
            m_inventory = std::make_unique<InventoryStore>(inventoryPath());
        return *m_inventory;
    }
    // The list as the inventory database holds it, in the settings file's encoding.
    QString storedList() { return encodedItems(inventory().items()); }
    // Adds items with these locations to the database, as another process would.
    void storeLocations(const QStringList& locations)
    {
        std::vector<ItemFields> rows;
        for (const QString& location : locations) {
            ItemFields fields;
            fields[kLocationField] = location;
            rows.push_back(fields);
        }
        inventory().append(rows);
    }
    QString inventoryPath() const { return dataFolder.filePath(QStringLiteral("inventory.db")); }

    QLineEdit* field(const char* name) { return form().findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return form().findChild<QPushButton*>(name); }
    QTreeView* list() { return form().findChild<QTreeView*>("ListView1"); }
    // The list's cell at `row`, `column`, and its current and selected rows.
    QModelIndex cell(int row, int column = 0) { return list()->model()->index(row, column); }
    int currentRow() { return list()->currentIndex().row(); }
    void select(int row, int column = 0) { list()->setCurrentIndex(cell(row, column)); }

    // Fills the twelve item fields, in column order.
    void typeItem(const QStringList& texts)
    {
        static const char* const names[] = {"txtILoc",  "txtDesc",   "txtDate",  "txtPurLoc",
                                            "txtWar",   "txtPrice",  "txtCond",  "txtEst",
                                            "txtModel", "txtSerial", "txtNotes", "txtPhoto"};
        for (int i = 0; i < 12; ++i)
            field(names[i])->setText(texts.value(i));
    }
    QStringList rows() const
    {
        QStringList all;
        for (int r = 0; r < m_form->itemCount(); ++r)
            all << m_form->itemRow(r).join(QLatin1Char('^'));
        return all;
    }

    MemorySettingsStore settings;
    testing::ScriptedPrompts prompts;
    ExcelFactory excelFactory;
    QTemporaryDir appFolder;
    QTemporaryDir dataFolder;
    double draw = 0.5;
    QList<QUrl> openedUrls;
    int programEnds = 0;

private:
    // Declared before the window, which refers to it, so it outlives the window.
    std::unique_ptr<InventoryStore> m_inventory;
    std::unique_ptr<MainWindow> m_form;
};

} // namespace stowfolio
