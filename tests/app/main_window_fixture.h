#pragma once

// A main window with every dependency replaced: settings in memory, scripted prompts, the
// built-in spreadsheet engine, a fixed random draw, a recording URL opener and an end of program
// that only counts.

#include "app/main_window.h"
#include "state/memory_settings_store.h"
#include "tests/support/scripted_prompts.h"
#include "workbook/excel_factory.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
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
                settings, prompts, excelFactory, appFolder.path(), [this] { return draw; },
                [this](const QUrl& url) { openedUrls << url; }, [this] { ++programEnds; }});
        return *m_form;
    }
    MainWindow& loadedForm()
    {
        form().startUp();
        return *m_form;
    }
    void discardForm() { m_form.reset(); }

    QLineEdit* field(const char* name) { return form().findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return form().findChild<QPushButton*>(name); }
    QTreeWidget* list() { return form().findChild<QTreeWidget*>("ListView1"); }

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
    double draw = 0.5;
    QList<QUrl> openedUrls;
    int programEnds = 0;

private:
    std::unique_ptr<MainWindow> m_form;
};

} // namespace stowfolio
