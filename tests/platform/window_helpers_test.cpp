#include "platform/app_title.h"
#include "platform/error_report.h"
#include "platform/home_page.h"
#include "platform/skin.h"
#include "platform/window_pointer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace stowfolio {
namespace {

TEST(appTitle, ShortensWordByWordToFortyCharacters)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("Stowfolio"), QStringLiteral("Stowfolio")},
        {QString(40, QLatin1Char('a')), QString(40, QLatin1Char('a'))},
        {QStringLiteral("Stowfolio Home Inventory Spreadsheet Maker Deluxe Edition"),
         QStringLiteral("Stowfolio Home Inventory Spreadsheet")},
        {QStringLiteral("one two three four five six seven eight nine"),
         QStringLiteral("one two three four five six seven eight")},
        {QString(45, QLatin1Char('w')), QString(40, QLatin1Char('w'))},
    };
    for (const auto& [full, expected] : cases) {
        SCOPED_TRACE(full.toStdString());
        EXPECT_EQ(shortenedAppTitle(full), expected);
    }
}

TEST(appTitle, IsSetWithoutRenamingEveryWindow)
{
    setAppTitle();
    EXPECT_EQ(appTitle(), QStringLiteral("Stowfolio"));
    // A display name would be appended by the desktop to every window title, so the error box
    // would read "Application Error — Stowfolio" instead of its own title.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

TEST(ErrorReport, TextIsBuiltExactly)
{
    EXPECT_EQ(errorReportText(QStringLiteral("Index out of bounds"), QStringLiteral("Form1"),
                              QStringLiteral("PushButton2_Click"), 102),
              QStringLiteral("Index out of bounds\r\nin Stowfolio2021/08/31.Form1."
                             "PushButton2_Click at line 102\r\rPlease email screenshot of this "
                             "message to support@quillane.example"));
}

TEST(HomePage, OpensOnTheSeventhOfAHundredDraws)
{
    const std::vector<std::pair<double, bool>> cases = {
        {0.0, false}, {0.0599, false}, {0.06, true}, {0.0699, true}, {0.07, false}, {0.99, false}};
    for (const auto& [fraction, opens] : cases) {
        SCOPED_TRACE(fraction);
        QList<QUrl> opened;
        openHomePageOnOneStartInAHundred([f = fraction] { return f; },
                                         [&](const QUrl& url) { opened << url; });
        EXPECT_EQ(opened, opens ? QList<QUrl>{QUrl(QStringLiteral("https://quillane.example/"))}
                                : QList<QUrl>{});
    }
}

// A window with one control of each kind that the colour routines look at.
struct SampleWindow
{
    QWidget window;
    QGroupBox* frame = new QGroupBox(QStringLiteral("Frame"), &window);
    QLabel* label = new QLabel(QStringLiteral("Label"), &window);
    QCheckBox* check = new QCheckBox(QStringLiteral("Check"), &window);
    QLineEdit* field = new QLineEdit(&window);
    QPushButton* button = new QPushButton(QStringLiteral("Button"), &window);
    QLabel* picture = new QLabel(&window);

    SampleWindow() { picture->setObjectName(QStringLiteral("Picture1")); }

    static bool hasFace(const QWidget* widget)
    {
        return widget->autoFillBackground() &&
               widget->palette().color(QPalette::Window) == faceColor();
    }
};

TEST(Skin, WithoutTheSkinFileNothingChanges)
{
    QTemporaryDir folder;
    SampleWindow sample;
    applySkin(sample.window, folder.path());
    for (const QWidget* widget : std::initializer_list<const QWidget*>{
             &sample.window, sample.frame, sample.label, sample.check, sample.picture})
        EXPECT_FALSE(widget->autoFillBackground());
    EXPECT_TRUE(sample.window.styleSheet().isEmpty());
}

TEST(Skin, TheSkinFileIsAStyleSheetOverTheFaceColour)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("x"));
    QFile skin(skinFilePath(folder.path()));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.write("QPushButton { color: #123456; }");
    skin.close();

    SampleWindow sample;
    applySkin(sample.window, folder.path());
    EXPECT_EQ(sample.window.styleSheet(), QStringLiteral("QPushButton { color: #123456; }"));
    for (const QWidget* widget : std::initializer_list<const QWidget*>{
             &sample.window, sample.frame, sample.label, sample.check, sample.picture})
        EXPECT_TRUE(SampleWindow::hasFace(widget));
    EXPECT_FALSE(sample.field->autoFillBackground());
    EXPECT_FALSE(sample.button->autoFillBackground());
}

TEST(Skin, ResetFormColorsLeavesPictureBoxesAlone)
{
    SampleWindow sample;
    resetFormColours(sample.window);
    for (const QWidget* widget : std::initializer_list<const QWidget*>{&sample.window, sample.frame,
                                                                       sample.label, sample.check})
        EXPECT_TRUE(SampleWindow::hasFace(widget));
    EXPECT_FALSE(sample.picture->autoFillBackground());
    EXPECT_FALSE(sample.field->autoFillBackground());
}

void moveMouseOver(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

TEST(WindowPointer, ButtonsShowTheHandAndOtherElementsTheDefault)
{
    SampleWindow sample;
    WindowPointer pointer(sample.window);
    pointer.addHandElement(*sample.button);
    pointer.addDefaultElement(sample.window);
    pointer.addDefaultElement(*sample.frame);
    pointer.addInertElement(*sample.field);

    moveMouseOver(sample.button);
    EXPECT_EQ(pointer.code(), kCustomPointer);
    EXPECT_EQ(sample.window.cursor().shape(), Qt::PointingHandCursor);
    // The field has no rule of its own, and its moves do not reach the window underneath.
    moveMouseOver(sample.field);
    EXPECT_EQ(pointer.code(), kCustomPointer);
    moveMouseOver(sample.frame);
    EXPECT_EQ(pointer.code(), kDefaultPointer);
    moveMouseOver(sample.button);
    moveMouseOver(&sample.window);
    EXPECT_EQ(pointer.code(), kDefaultPointer);
    // Neither does a control that was given no rule at all.
    pointer.showHand();
    moveMouseOver(sample.label);
    EXPECT_EQ(pointer.code(), kCustomPointer);
}

TEST(WindowPointer, TheHourglassIsNeverReplaced)
{
    SampleWindow sample;
    WindowPointer pointer(sample.window);
    pointer.addHandElement(*sample.button);
    pointer.addDefaultElement(*sample.frame);
    pointer.setCode(kHourglassPointer);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    moveMouseOver(sample.button);
    moveMouseOver(sample.frame);
    EXPECT_EQ(pointer.code(), kHourglassPointer);
    pointer.setCode(kDefaultPointer);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    moveMouseOver(sample.button);
    EXPECT_EQ(pointer.code(), kCustomPointer);
}

// The busy pointer stays up for the whole of a long job while the window's own hourglass comes
// and goes inside it (the builder shows and hides it step by step), and goes with the job.
TEST(BusyPointer, StaysUpWhileTheWindowsHourglassComesAndGoes)
{
    SampleWindow sample;
    WindowPointer pointer(sample.window);
    {
        const BusyPointer busy;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        pointer.setCode(kHourglassPointer);
        pointer.setCode(kDefaultPointer);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(WindowPointer, LoadsTheShippedHandCursorWithItsHotSpot)
{
    const QCursor hand = loadCursorFile(QStringLiteral(STOWFOLIO_RESOURCES_DIR "/HAND-M.CUR"));
    EXPECT_EQ(hand.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(hand.hotSpot(), QPoint(6, 0));
}

TEST(WindowPointer, BadCursorFilesAreReportedNotCrashedOn)
{
    QTemporaryDir folder;
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"an icon, not a cursor", QByteArray("\0\0\1\0\1\0", 6)},
        {"header only", QByteArray("\0\0\2\0\1\0\x20\x20\0\0\6\0\0\0", 14)},
        {"entry pointing past the end",
         QByteArray("\0\0\2\0\1\0\x20\x20\0\0\6\0\0\0\xff\xff\0\0\x16\0\0\0", 22)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const QString path = folder.filePath(QStringLiteral("bad.cur"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_THROW(loadCursorFile(path), std::runtime_error);
    }
    EXPECT_THROW(loadCursorFile(folder.filePath(QStringLiteral("missing.cur"))),
                 std::runtime_error);
}

} // namespace
} // namespace stowfolio
