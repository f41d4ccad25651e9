#include "tests/app/main_window_fixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

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

// The client area keeps the drawn size; the menu bar above and the status line below make the
// window taller, and nothing makes it resizable.
TEST_F(MainWindowTest, TheWindowIsFixedAndTallEnoughForTheAddRow)
{
    const QWidget* client = form().centralWidget();
    EXPECT_EQ(client->size(), QSize(632, 785));
    EXPECT_EQ(form().minimumSize(), form().maximumSize());
    EXPECT_EQ(form().maximumSize(), QSize(632, 785 + form().menuBar()->sizeHint().height() +
                                                   form().statusBar()->sizeHint().height()));
    EXPECT_FALSE(form().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form().windowFlags() & Qt::WindowMinimizeButtonHint);
    const QRect addRow = button("PushButton2")->geometry();
    EXPECT_EQ(button("PushButton2")->parentWidget(), client);
    EXPECT_LE(addRow.bottom(), client->height() - 1);
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
