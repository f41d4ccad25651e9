#include "tests/app/main_window_fixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>

#include <map>

namespace stowfolio {
namespace {

TEST_F(MainWindowTest, ControlsSitWhereTheTwipLayoutPutsThem)
{
    struct Placement
    {
        const char* name;
        QRect pixels; // twips / 15, rounded half to even
    };
    const std::vector<Placement> cases = {
        {"PushButton6", QRect(8, 8, 616, 27)},     {"PushButton4", QRect(8, 42, 304, 27)},
        {"PushButton7", QRect(320, 42, 304, 27)},  {"ListView1", QRect(8, 76, 616, 93)},
        {"Frame1", QRect(8, 173, 616, 127)},       {"Frame3", QRect(8, 305, 616, 124)},
        {"Frame2", QRect(8, 434, 616, 309)},       {"PushButton1", QRect(8, 750, 296, 27)},
        {"PushButton2", QRect(312, 750, 312, 27)}, {"txtName", QRect(136, 16, 471, 23)},
        {"txtPolNo", QRect(136, 94, 471, 23)},     {"txtDate", QRect(136, 68, 155, 23)},
        {"txtPrice", QRect(448, 68, 159, 23)},     {"txtPhoto", QRect(136, 276, 419, 23)},
        {"PushButton3", QRect(563, 276, 43, 24)},
    };
    for (const Placement& c : cases) {
        SCOPED_TRACE(c.name);
        const QWidget* control = form().findChild<QWidget*>(c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), c.pixels);
    }
}

// Every control of the window with its place in the window, named by its object name (labels by
// their text), as the window laid them out when it could not be resized. At its default size the
// resizable window must put each one exactly there.
std::vector<std::pair<QString, QRect>> placesInWindow(QWidget& window)
{
    std::vector<std::pair<QString, QRect>> places;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        QString key = widget->objectName();
        if (const auto* label = qobject_cast<QLabel*>(widget); label && key.isEmpty())
            key = label->parentWidget()->objectName() + QStringLiteral(" label ") + label->text();
        if (key.isEmpty() || key.startsWith(QLatin1String("qt_")) || !widget->isVisibleTo(&window))
            continue;
        places.emplace_back(key, QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size()));
    }
    return places;
}

TEST_F(MainWindowTest, AtItsDefaultSizeEveryControlStaysWhereTheFixedWindowHadIt)
{
    const std::vector<std::pair<QString, QRect>> fixedWindow = {
        {"Form1Client", QRect(0, 19, 632, 785)},
        {"PushButton6", QRect(8, 27, 616, 27)},
        {"PushButton4", QRect(8, 61, 304, 27)},
        {"PushButton7", QRect(320, 61, 304, 27)},
        {"ListView1", QRect(8, 95, 616, 93)},
        {"Frame1", QRect(8, 192, 616, 127)},
        {"txtName", QRect(144, 208, 471, 23)},
        {"Frame1 label Name:", QRect(9, 213, 115, 15)},
        {"txtLocation", QRect(144, 234, 471, 23)},
        {"Frame1 label Address:", QRect(9, 239, 115, 15)},
        {"txtCity", QRect(144, 260, 471, 23)},
        {"Frame1 label City, ST  ZIP Code:", QRect(9, 265, 115, 15)},
        {"txtPhone", QRect(144, 286, 471, 23)},
        {"Frame1 label Phone:", QRect(9, 291, 115, 15)},
        {"Frame3", QRect(8, 324, 616, 124)},
        {"txtInsCompany", QRect(144, 340, 471, 23)},
        {"Frame3 label Company Name:", QRect(9, 345, 115, 15)},
        {"txtAgent", QRect(144, 366, 471, 23)},
        {"Frame3 label Agent Name:", QRect(9, 371, 115, 15)},
        {"txtInsPhone", QRect(144, 392, 471, 23)},
        {"Frame3 label Phone:", QRect(9, 397, 115, 15)},
        {"txtPolNo", QRect(144, 418, 471, 23)},
        {"Frame3 label Policy Number:", QRect(9, 423, 115, 15)},
        {"Frame2", QRect(8, 453, 616, 309)},
        {"txtILoc", QRect(144, 469, 471, 23)},
        {"Frame2 label Location:", QRect(9, 474, 115, 15)},
        {"txtDesc", QRect(144, 495, 471, 23)},
        {"Frame2 label Description:", QRect(9, 500, 115, 15)},
        {"txtDate", QRect(144, 521, 155, 23)},
        {"Frame2 label Purchase Date:", QRect(9, 526, 115, 15)},
        {"txtPrice", QRect(456, 521, 159, 23)},
        {"Frame2 label Price:", QRect(308, 526, 128, 15)},
        {"txtPurLoc", QRect(144, 547, 471, 23)},
        {"Frame2 label Purchase Location:", QRect(9, 552, 115, 15)},
        {"txtWar", QRect(144, 573, 471, 23)},
        {"Frame2 label Warranty:", QRect(9, 578, 115, 15)},
        {"txtCond", QRect(144, 599, 471, 23)},
        {"Frame2 label Condition:", QRect(9, 604, 115, 15)},
        {"txtEst", QRect(144, 625, 471, 23)},
        {"Frame2 label Est. Value:", QRect(9, 630, 115, 15)},
        {"txtModel", QRect(144, 651, 471, 23)},
        {"Frame2 label Model:", QRect(9, 656, 115, 15)},
        {"txtSerial", QRect(144, 677, 471, 23)},
        {"Frame2 label Serial #:", QRect(9, 682, 115, 15)},
        {"txtNotes", QRect(144, 703, 471, 23)},
        {"Frame2 label Notes:", QRect(9, 708, 115, 15)},
        {"txtPhoto", QRect(144, 729, 419, 23)},
        {"Frame2 label Photo:", QRect(9, 734, 115, 15)},
        {"PushButton3", QRect(571, 729, 43, 24)},
        {"PushButton1", QRect(8, 769, 296, 27)},
        {"PushButton2", QRect(312, 769, 312, 27)},
        {"StatusLine", QRect(2, 807, 630, 14)},
    };
    form().show();
    EXPECT_EQ(form().size(), QSize(632, 823));
    EXPECT_EQ(form().menuBar()->geometry(), QRect(0, 0, 632, 19));
    std::map<QString, QRect> now;
    for (const auto& [name, place] : placesInWindow(form()))
        now[name] = place;
    for (const auto& [name, place] : fixedWindow) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(now.count(name));
        EXPECT_EQ(now[name], place);
    }
}

// The window can be resized: extra height and width go to the item list; everything below the
// list moves down with the window's bottom edge and keeps its size, the rest stays put.
TEST_F(MainWindowTest, ExtraSizeGoesToTheItemList)
{
    form().show();
    const QSize base = form().size();
    const auto before = placesInWindow(form());
    form().resize(base + QSize(100, 200));
    QApplication::processEvents();
    EXPECT_EQ(form().size(), base + QSize(100, 200));
    std::map<QString, QRect> after;
    for (const auto& [name, place] : placesInWindow(form()))
        after[name] = place;
    for (const auto& [name, place] : before) {
        SCOPED_TRACE(name.toStdString());
        if (name == QLatin1String("ListView1")) {
            EXPECT_EQ(after[name], place.adjusted(0, 0, 100, 200));
        } else if (name == QLatin1String("Form1Client") || name == QLatin1String("Form1Scroller")) {
            EXPECT_EQ(after[name].size(), place.size() + QSize(100, 200));
        } else if (name == QLatin1String("StatusLine")) {
            EXPECT_EQ(after[name].top(), place.top() + 200);
        } else if (place.top() > 188) { // below the list, in a frame or the Add row
            EXPECT_EQ(after[name], place.translated(0, 200));
        } else {
            EXPECT_EQ(after[name], place);
        }
    }
}

// A window smaller than the form (a small screen) keeps its menu bar and status line and
// scrolls the form inside; the Add row can be scrolled into view.
TEST_F(MainWindowTest, ASmallWindowScrollsTheForm)
{
    form().show();
    form().resize(632, 400);
    QApplication::processEvents();
    EXPECT_EQ(form().height(), 400);
    EXPECT_LE(form().statusBar()->geometry().bottom(), 399);
    auto* area = form().findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    EXPECT_EQ(area->widget()->objectName(), QStringLiteral("Form1Client"));
    area->ensureWidgetVisible(button("PushButton2"));
    QApplication::processEvents();
    const QRect addRow(button("PushButton2")->mapTo(area->viewport(), QPoint(0, 0)),
                       button("PushButton2")->size());
    EXPECT_TRUE(area->viewport()->rect().contains(addRow));
    EXPECT_TRUE(form().windowFlags() & Qt::WindowMinimizeButtonHint);
    const QWidget* client = form().findChild<QWidget*>("Form1Client");
    EXPECT_EQ(button("PushButton2")->parentWidget(), client);
    EXPECT_LE(button("PushButton2")->geometry().bottom(), client->height() - 1);
}

TEST_F(MainWindowTest, CaptionsAndFontsFollowTheDesign)
{
    EXPECT_EQ(button("PushButton6")->text(), QStringLiteral("Start Creating Template"));
    EXPECT_EQ(button("PushButton2")->text(), QStringLiteral("Delete Selected Entry (Above)"));
    EXPECT_EQ(form().findChild<QGroupBox*>("Frame3")->title(),
              QStringLiteral("Insurance Information"));
    const QFont fieldFont = field("txtName")->font();
    EXPECT_EQ(fieldFont.family(), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(fieldFont.pointSizeF(), 9.0);
    EXPECT_TRUE(fieldFont.bold());
    const QFont buttonFont = button("PushButton1")->font();
    EXPECT_DOUBLE_EQ(buttonFont.pointSizeF(), 11.25);
    EXPECT_TRUE(buttonFont.bold());

    QStringList labels;
    for (const QLabel* label : form().findChild<QGroupBox*>("Frame2")->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Purchase Location:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Price:")));
    EXPECT_EQ(labels.size(), 12);
    // Each caption fits its label.
    for (const QLabel* label : form().centralWidget()->findChildren<QLabel*>()) {
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    }
}

TEST_F(MainWindowTest, ListColumnsHaveTheirHeadersAndWidths)
{
    const std::vector<std::pair<QString, int>> columns = {
        {QStringLiteral("Location"), 133}, {QStringLiteral("Description"), 133},
        {QStringLiteral("Date"), 93},      {QStringLiteral(" Where"), 96},
        {QStringLiteral(" Warranty"), 96}, {QStringLiteral("Price"), 96},
        {QStringLiteral("Condition"), 96}, {QStringLiteral("Est. Value"), 96},
        {QStringLiteral("Model"), 96},     {QStringLiteral("Serial #"), 96},
        {QStringLiteral("Notes"), 96},     {QStringLiteral("Photo"), 96}};
    ASSERT_EQ(list()->model()->columnCount(), 12);
    for (int c = 0; c < 12; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(list()->model()->headerData(c, Qt::Horizontal).toString(), columns[c].first);
        EXPECT_EQ(list()->columnWidth(c), columns[c].second);
    }
    EXPECT_FALSE(list()->isSortingEnabled());
}

TEST_F(MainWindowTest, FocusStartsOnTheNameAndTabWalksTheFieldsInOrder)
{
    loadedForm().show();
    QApplication::setActiveWindow(&form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    const QStringList expected = {
        "txtName",     "txtLocation", "txtCity",     "txtPhone",    "txtInsCompany", "txtAgent",
        "txtInsPhone", "txtPolNo",    "txtILoc",     "txtDesc",     "txtDate",       "txtPrice",
        "txtPurLoc",   "txtWar",      "txtCond",     "txtEst",      "txtModel",      "txtSerial",
        "txtNotes",    "txtPhoto",    "PushButton3", "PushButton6", "PushButton1",   "PushButton2",
        "ListView1",   "PushButton4", "PushButton7", "txtName"};
    QStringList walked;
    for (int i = 0; i < expected.size(); ++i) {
        walked << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(walked, expected);
}

} // namespace
} // namespace stowfolio

namespace stowfolio {
namespace {

// F1 opens a help page that covers the program's tasks and names where the data is kept.
TEST_F(MainWindowTest, TheUserGuideExplainsTheProgram)
{
    loadedForm().show();
    QAction* help = nullptr;
    for (QAction* top : form().menuBar()->actions())
        for (QAction* action : top->menu() ? top->menu()->actions() : QList<QAction*>())
            if (action->text().remove(QLatin1Char('&')) == QLatin1String("User Guide"))
                help = action;
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    help->trigger();
    auto* page = form().findChild<QTextBrowser*>(QStringLiteral("HelpPage"));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    const QString text = page->toPlainText();
    for (const char* topic :
         {"Personal Information", "Add", "Delete", "Import Items", "Export Items as CSV",
          "Start Creating Template", "Zoom In", "Save as PDF", "Save Results To Excel File",
          "Quillane/Stowfolio/inventory.db", "Quillane/Quillane.ini"})
        EXPECT_TRUE(text.contains(QLatin1String(topic))) << topic;
    EXPECT_TRUE(prompts.shown.empty());
}

} // namespace
} // namespace stowfolio
