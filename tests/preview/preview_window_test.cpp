#include "preview/preview_window.h"

#include "platform/skin.h"

#include "preview/picture_surface.h"
#include "preview/preview_window_layout.h"
#include "spreadsheet/render/sheet_picture.h"
#include "tests/support/scripted_prompts.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace stowfolio::preview {
namespace {

using spreadsheet::render::SheetPicture;

// 400 x 300 pixels fits the viewport (620 x 493 inside) at 100 % and overflows it at 200 %.
const QSize kSmall(400, 300);
// A generated sheet of 65,526 item rows of 16 pixels under its title block.
const QSize kHuge(1'280, 65'526 * 16 + 160);

// Yellow bands 16 pixels tall every thousand rows, and a blue last row.
SheetPicture pictureOf(QSize size)
{
    SheetPicture picture(size);
    for (int top = 0; top < size.height() - 16; top += 16 * 1'000)
        picture.addFill({QRectF(0, top, size.width(), 16), Qt::yellow});
    picture.addFill({QRectF(0, size.height() - 16, size.width(), 16), Qt::blue});
    picture.finish();
    return picture;
}

// The surface's extent in pixels at `zoom`: the picture less two twips, floored.
QSize zoomedPixels(QSize picture, double zoom)
{
    const auto side = [&](int pixels) {
        return spreadsheet::twipsToPixels(std::floor((pixels * double{kTwipsPerPixel} - 2) * zoom));
    };
    return {side(picture.width()), side(picture.height())};
}

class PreviewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_workbook = path(QStringLiteral("wendax12345678.xls"));
        writeFile(m_workbook, QByteArray(50'000, 'w'));
        m_form = makeForm(m_dir.path());
    }

    std::unique_ptr<PreviewWindow> makeForm(const QString& applicationFolder)
    {
        return std::make_unique<PreviewWindow>(PreviewServices{
            m_prompts,
            [this] { m_calls.push_back("show main window"); },
            [this] { m_calls.push_back("store item list"); },
            [this] {
                m_calls.push_back("may end program");
                return m_mayEndProgram;
            },
            [this] { m_calls.push_back("end program"); },
            applicationFolder,
            QIcon(),
        });
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The builder's hand-over: picture, workbook path, show.
    void showResult(QSize size)
    {
        m_form->setPicture(pictureOf(size));
        m_form->setWorkbookPath(m_workbook);
        m_form->show();
    }

    const PreviewControls& controls() const { return m_form->controls(); }

    void clickTimes(QPushButton* button, int times)
    {
        for (int i = 0; i < times; ++i)
            button->click();
    }

    void sendMouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
    {
        QWidget* surface = controls().surface;
        QMouseEvent event(type, QPointF(at), surface->mapToGlobal(QPointF(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
    }

    void sendWheel(QPoint angle, Qt::KeyboardModifiers modifiers)
    {
        QWidget* surface = controls().surface;
        QWheelEvent event(QPointF(10, 10), surface->mapToGlobal(QPointF(10, 10)), QPoint(), angle,
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(surface, &event);
    }

    QTemporaryDir m_dir;
    testing::ScriptedPrompts m_prompts;
    std::vector<std::string> m_calls;
    bool m_mayEndProgram = true;
    QString m_workbook;
    std::unique_ptr<PreviewWindow> m_form;
};

TEST_F(PreviewWindowTest, ControlsSitWhereTheWindowWasDesigned)
{
    // The client area opens at the drawn size; the menu bar above it makes the window taller.
    // The window can be resized and maximized from there.
    const QWidget* client = m_form->findChild<QWidget*>(QStringLiteral("Form2Client"));
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), QSize(656, 624));
    EXPECT_EQ(m_form->size(), QSize(656, 624 + m_form->menuBar()->sizeHint().height()));
    EXPECT_EQ(m_form->size(), m_form->defaultSize());
    EXPECT_NE(m_form->minimumSize(), m_form->maximumSize());
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("Stowfolio"));
    EXPECT_TRUE(m_form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(client->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(client->font().pointSizeF(), 9.0);
    EXPECT_TRUE(client->font().bold());

    const struct
    {
        QWidget* control;
        QRect geometry;
        QString caption;
    } cases[] = {
        {controls().viewport, {8, 8, 622, 495}, {}},
        {controls().verticalBar, {630, 8, 17, 495}, {}},
        {controls().horizontalBar, {8, 503, 622, 17}, {}},
        {controls().zoomFrame, {8, 524, 640, 57}, QStringLiteral("Zoom:")},
        {controls().zoomInButton, {16, 20, 296, 27}, QStringLiteral("Zoom In")},
        {controls().zoomOutButton, {320, 20, 304, 27}, QStringLiteral("Zoom Out")},
        {controls().backButton, {8, 590, 312, 27}, QStringLiteral("< Back")},
        {controls().saveButton, {328, 590, 320, 27}, QStringLiteral("Save Results To Excel File")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.control->geometry(), c.geometry) << c.control->objectName().toStdString();
        if (auto* button = qobject_cast<QPushButton*>(c.control)) {
            EXPECT_EQ(button->text(), c.caption);
            EXPECT_EQ(button->font().pointSizeF(), 11.25);
            EXPECT_TRUE(button->font().bold());
        }
    }
    EXPECT_EQ(controls().zoomFrame->title(), QStringLiteral("Zoom:"));
    // The window's face colour leaves the viewport white.
    EXPECT_EQ(controls().viewport->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(controls().zoomFrame->palette().color(QPalette::Window), faceColor());
    // The viewport's inner area, inside its one-pixel border.
    EXPECT_EQ(controls().surface->parentWidget()->geometry(), QRect(1, 1, 620, 493));
}

TEST_F(PreviewWindowTest, TabOrderRunsThroughScrollBarsAndButtons)
{
    const std::vector<QWidget*> expected = {controls().horizontalBar, controls().verticalBar,
                                            controls().zoomInButton,  controls().zoomOutButton,
                                            controls().saveButton,    controls().backButton};
    QWidget* widget = controls().horizontalBar;
    for (QWidget* next : expected) {
        EXPECT_EQ(widget, next);
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !widget->isEnabledTo(m_form.get()));
    }
}

TEST_F(PreviewWindowTest, FirstActivationShowsThePictureAtFullSize)
{
    showResult(kSmall);
    EXPECT_FALSE(m_form->awaitsViewerSetUp());
    EXPECT_EQ(m_form->zoomModel().zoom(), 1.0f);
    EXPECT_EQ(controls().surface->geometry(), QRect(QPoint(0, 0), zoomedPixels(kSmall, 1.0)));
    EXPECT_FALSE(controls().horizontalBar->isEnabled());
    EXPECT_FALSE(controls().verticalBar->isEnabled());
    EXPECT_EQ(m_prompts.errorReports(), 0);
}

TEST_F(PreviewWindowTest, ZoomRunsToBothEndsOnSmallAndHugePictures)
{
    for (const QSize size : {kSmall, kHuge}) {
        SCOPED_TRACE(size.height());
        showResult(size);
        clickTimes(controls().zoomInButton, 6);
        EXPECT_EQ(m_form->zoomModel().zoom(), 2.0f);
        EXPECT_EQ(controls().surface->size(), zoomedPixels(size, 2.0));
        EXPECT_TRUE(controls().horizontalBar->isEnabled());
        EXPECT_TRUE(controls().verticalBar->isEnabled());
        clickTimes(controls().zoomOutButton, 9);
        EXPECT_EQ(m_form->zoomModel().zoom(), 0.25f);
        EXPECT_EQ(controls().surface->size(), zoomedPixels(size, 0.25));
        EXPECT_EQ(m_prompts.errorReports(), 0);
        m_form->hide();
    }
}

TEST_F(PreviewWindowTest, ScrollBarsReachEveryEdgeAtEveryZoom)
{
    showResult(kHuge);
    const QSize inner = controls().surface->parentWidget()->size();
    for (int step = 0; step < 5; ++step) {
        SCOPED_TRACE(m_form->zoomModel().zoom());
        for (QScrollBar* bar : {controls().horizontalBar, controls().verticalBar}) {
            const bool horizontal = bar == controls().horizontalBar;
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
            const QRect surface = controls().surface->geometry();
            // The far edge ends at the viewport's outer edge, one border width beyond the inner.
            const int farEdge = horizontal ? surface.right() + 1 : surface.bottom() + 1;
            EXPECT_NEAR(farEdge, (horizontal ? inner.width() : inner.height()) + 2, 1);
            bar->triggerAction(QAbstractSlider::SliderToMinimum);
            EXPECT_EQ(controls().surface->pos(), QPoint(0, 0));
        }
        controls().zoomInButton->click();
    }
}

TEST_F(PreviewWindowTest, TheViewportShowsThePictureScaledAndScrolled)
{
    showResult(kHuge);
    // Colour at a point of the viewport's inner area.
    const auto colourAt = [&](int x, int y) {
        QWidget* inner = controls().surface->parentWidget();
        return QColor(inner->grab().toImage().pixel(x, y));
    };
    EXPECT_EQ(colourAt(10, 8), QColor(Qt::yellow));
    EXPECT_EQ(colourAt(10, 24), QColor(Qt::white));
    controls().zoomInButton->click();
    controls().zoomInButton->click();
    controls().zoomInButton->click();
    controls().zoomInButton->click();
    ASSERT_EQ(m_form->zoomModel().zoom(), 2.0f);
    EXPECT_EQ(colourAt(10, 28), QColor(Qt::yellow));
    EXPECT_EQ(colourAt(10, 36), QColor(Qt::white));
    // The last row, two million pixels down, at the bottom of the viewport.
    controls().verticalBar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(colourAt(10, 480), QColor(Qt::blue));
    EXPECT_EQ(colourAt(10, 440), QColor(Qt::white));
}

TEST_F(PreviewWindowTest, DraggingMovesThePictureAndTheReleaseSettlesOnTheScrollBars)
{
    showResult(kHuge);
    sendMouse(QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {250, 220}, Qt::LeftButton);
    EXPECT_EQ(controls().surface->pos(), QPoint(-50, -80));
    // A plain hover moves nothing.
    sendMouse(QEvent::MouseMove, {0, 0}, Qt::NoButton);
    EXPECT_EQ(controls().surface->pos(), QPoint(-50, -80));
    // Dragging towards positive offsets stops at the top-left corner.
    sendMouse(QEvent::MouseMove, {900, 900}, Qt::LeftButton);
    EXPECT_EQ(controls().surface->pos(), QPoint(0, 0));
    sendMouse(QEvent::MouseMove, {100, 200}, Qt::LeftButton);
    EXPECT_EQ(controls().surface->pos(), QPoint(-200, -100));
    sendMouse(QEvent::MouseButtonRelease, {100, 200}, Qt::NoButton);

    const ZoomModel& model = m_form->zoomModel();
    EXPECT_EQ(controls().horizontalBar->value(), model.scrollBar(Axis::Horizontal).position);
    EXPECT_EQ(controls().verticalBar->value(), model.scrollBar(Axis::Vertical).position);
    EXPECT_GT(controls().horizontalBar->value(), 0);
    EXPECT_EQ(controls().surface->pos(), QPoint(spreadsheet::twipsToPixels(model.offset().left),
                                                spreadsheet::twipsToPixels(model.offset().top)));
    EXPECT_EQ(m_prompts.errorReports(), 0);
}

TEST_F(PreviewWindowTest, CtrlWheelZoomsAndTheWheelScrolls)
{
    showResult(kHuge);
    sendWheel({0, 120}, Qt::ControlModifier);
    EXPECT_EQ(m_form->zoomModel().zoom(), 1.25f);
    sendWheel({0, -240}, Qt::ControlModifier);
    EXPECT_EQ(m_form->zoomModel().zoom(), 1.0f);

    // One notch down scrolls three 240-twip rows: 72 positions of 10 twips.
    sendWheel({0, -120}, Qt::NoModifier);
    EXPECT_EQ(controls().verticalBar->value(), 72);
    EXPECT_EQ(controls().surface->y(), -48);
    sendWheel({0, 120}, Qt::NoModifier);
    EXPECT_EQ(controls().verticalBar->value(), 0);
}

TEST_F(PreviewWindowTest, ANewResultAfterBackStartsAfresh)
{
    showResult(kHuge);
    clickTimes(controls().zoomInButton, 3);
    controls().verticalBar->triggerAction(QAbstractSlider::SliderToMaximum);
    controls().backButton->click();
    ASSERT_FALSE(m_form->isVisible());

    writeFile(m_workbook, "second");
    showResult(kSmall);
    EXPECT_EQ(m_form->zoomModel().zoom(), 1.0f);
    EXPECT_EQ(m_form->zoomModel().original(),
              (Extent{kSmall.width() * 15 - 2, kSmall.height() * 15 - 2}));
    EXPECT_EQ(controls().surface->geometry(), QRect(QPoint(0, 0), zoomedPixels(kSmall, 1.0)));
    EXPECT_FALSE(controls().verticalBar->isEnabled());
    EXPECT_EQ(controls().verticalBar->value(), 0);
    // The next zoom paints the new picture, not the first one.
    controls().zoomInButton->click();
    EXPECT_EQ(controls().surface->size(), zoomedPixels(kSmall, 1.25));
}

TEST_F(PreviewWindowTest, BackDeletesTheWorkbookAndReturnsToTheMainWindow)
{
    showResult(kSmall);
    controls().backButton->click();
    EXPECT_FALSE(QFile::exists(m_workbook));
    EXPECT_EQ(m_calls, std::vector<std::string>{"show main window"});
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->workbookPath(), m_workbook);
}

TEST_F(PreviewWindowTest, ClosingDeletesTheWorkbookStoresTheListAndEnds)
{
    showResult(kSmall);
    m_form->close();
    EXPECT_FALSE(QFile::exists(m_workbook));
    EXPECT_EQ(m_calls,
              (std::vector<std::string>{"may end program", "store item list", "end program"}));
    EXPECT_EQ(m_prompts.errorReports(), 0);
}

// Ctrl+= zooms in as Ctrl++ does, and Quit (Ctrl+Q) ends the program from the preview as from
// the main window. Within each menu no two entries share their underlined letter.
TEST_F(PreviewWindowTest, TheKeysOfTheMenusWork)
{
    showResult(kHuge);
    QApplication::setActiveWindow(m_form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    QTest::keyClick(m_form.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(m_form->zoomModel().zoom(), 1.25f);
    QTest::keyClick(m_form.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(m_form->zoomModel().zoom(), 1.5f);

    for (QAction* top : m_form->menuBar()->actions()) {
        QList<QChar> letters;
        for (QAction* action : top->menu()->actions()) {
            const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
            if (amp < 0 || amp + 1 >= action->text().size())
                continue;
            const QChar letter = action->text()[amp + 1].toLower();
            EXPECT_FALSE(letters.contains(letter)) << action->text().toStdString();
            letters << letter;
        }
    }

    // Quit has the desktop's key, as in the main window (none on some test platforms).
    QAction* quit = nullptr;
    for (QAction* action : m_form->menuBar()->actions().front()->menu()->actions())
        if (action->text() == QStringLiteral("&Quit"))
            quit = action;
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->shortcuts(), QKeySequence::keyBindings(QKeySequence::Quit));
    if (quit->shortcut().isEmpty())
        quit->trigger();
    else
        QTest::keyClick(m_form.get(), quit->shortcut()[0].key(),
                        quit->shortcut()[0].keyboardModifiers());
    EXPECT_FALSE(QFile::exists(m_workbook));
    EXPECT_EQ(m_calls,
              (std::vector<std::string>{"may end program", "store item list", "end program"}));
}

// The user chose to stay because the list could not be stored: nothing is deleted or ended.
TEST_F(PreviewWindowTest, ClosingThatTheUserCancelsKeepsEverything)
{
    showResult(kSmall);
    m_mayEndProgram = false;
    m_form->close();
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(QFile::exists(m_workbook));
    EXPECT_EQ(m_calls, std::vector<std::string>{"may end program"});
}

TEST_F(PreviewWindowTest, SaveCopiesTheWorkbookAsTheUserDecides)
{
    const QByteArray workbook = readFile(m_workbook);
    const QByteArray old("an older workbook");
    const struct
    {
        const char* name;
        const char* target; // "" cancels the dialog
        bool targetExists;
        bool readOnly;
        std::optional<bool> overwrite; // the answer to the overwrite question, when asked
        bool expectCopy;
    } cases[] = {
        {"new path", "new.xls", false, false, std::nullopt, true},
        {"name without extension", "plain", false, false, std::nullopt, true},
        {"existing, Yes", "old.xls", true, false, true, true},
        {"existing, No", "old.xls", true, false, false, false},
        {"read-only, Yes", "locked.xls", true, true, true, true},
        {"cancel", "", false, false, std::nullopt, false},
    };
    showResult(kSmall);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = *c.target ? path(QString::fromUtf8(c.target)) : QString();
        if (c.targetExists) {
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            writeFile(target, old);
            if (c.readOnly)
                QFile::setPermissions(target, QFile::ReadOwner);
        }
        m_prompts.shown.clear();
        m_prompts.fileAnswers = {target};
        if (c.overwrite)
            m_prompts.yesNoAnswers = {*c.overwrite};

        controls().saveButton->click();

        ASSERT_GE(m_prompts.shown.size(), 1u);
        EXPECT_EQ(m_prompts.shown.front().title, QStringLiteral("Save File"));
        EXPECT_EQ(m_prompts.shown.front().text, QStringLiteral("Excel Files (*.xls)|*.xls|"));
        if (c.overwrite) {
            ASSERT_EQ(m_prompts.shown.size(), 3u);
            EXPECT_EQ(m_prompts.shown[1].text,
                      QStringLiteral("Are you sure you wish to overwrite ") + target +
                          QStringLiteral(" ?"));
            EXPECT_TRUE(m_prompts.shown[1].title.isEmpty());
        }
        EXPECT_EQ(m_prompts.messages(), QStringList{QStringLiteral("Done.")});
        EXPECT_TRUE(m_prompts.shown.back().title.isEmpty());
        if (!target.isEmpty()) {
            EXPECT_EQ(readFile(target), c.expectCopy ? workbook : old);
        }
        EXPECT_EQ(readFile(m_workbook), workbook);
    }
    // Nothing but the copies and the workbook: no temporary files were left.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 5);
}

TEST_F(PreviewWindowTest, AFailedCopyShowsTheErrorReportAndNotDone)
{
    showResult(kSmall);
    const QString target = path(QStringLiteral("copy.xls"));
    QFile::remove(m_workbook); // the work file is gone, so nothing can be copied
    m_prompts.fileAnswers = {target};

    controls().saveButton->click();

    ASSERT_EQ(m_prompts.errorReports(), 1);
    EXPECT_TRUE(m_prompts.messages().front().contains(
        QStringLiteral("Form2.PushButton6_Click at line 130")));
    EXPECT_FALSE(m_prompts.messages().contains(QStringLiteral("Done.")));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(PreviewWindowTest, AFailedCopyOverAnExistingFileKeepsTheOldFile)
{
    showResult(kSmall);
    const QString target = path(QStringLiteral("last year.xls"));
    writeFile(target, "last year's workbook");
    QFile::remove(m_workbook);
    m_prompts.fileAnswers = {target};
    m_prompts.yesNoAnswers = {true};

    controls().saveButton->click();

    EXPECT_EQ(m_prompts.errorReports(), 1);
    EXPECT_FALSE(m_prompts.messages().contains(QStringLiteral("Done.")));
    EXPECT_EQ(readFile(target), QByteArray("last year's workbook"));
}

// The report from the preview: as PDF, on a printer (here one printing to a file), and a clear
// message with no file left behind when the workbook cannot be read.
TEST_F(PreviewWindowTest, TheReportIsSavedAsPdfOrPrinted)
{
    ExcelFactory factory;
    registerBuiltInEngine(factory);
    Inventory inventory;
    inventory.ownerFields = QStringList(8, QStringLiteral("x"));
    inventory.items = {itemFromTexts({"Garage", "Bike"})};
    exportInventoryWorkbook(factory, inventory, m_dir.path(), m_workbook);
    showResult(kSmall);

    const QString pdf = path(QStringLiteral("report.pdf"));
    m_prompts.fileAnswers = {path(QStringLiteral("report"))};
    m_form->saveAsPdf();
    EXPECT_EQ(m_prompts.messages(), QStringList{QStringLiteral("Done.")});
    EXPECT_TRUE(readFile(pdf).startsWith("%PDF-"));

    const QString printed = path(QStringLiteral("printed.pdf"));
    m_prompts.printerFile = printed;
    m_form->printReport();
    EXPECT_TRUE(readFile(printed).startsWith("%PDF-"));
    m_prompts.printerFile.clear();
    m_form->printReport(); // cancelled: nothing happens
    EXPECT_EQ(m_prompts.messages().size(), 1);

    writeFile(m_workbook, "not a workbook");
    m_prompts.shown.clear();
    m_prompts.fileAnswers = {path(QStringLiteral("other.pdf"))};
    m_form->saveAsPdf();
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_TRUE(
        m_prompts.messages()[0].startsWith(QStringLiteral("The report could not be saved")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("other.pdf"))));
    EXPECT_TRUE(m_form->isVisible());
}

// The report saved and printed from the preview holds the evidence its source gives, read anew
// for each report.
TEST_F(PreviewWindowTest, TheReportHoldsTheEvidenceOfItsSource)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    ExcelFactory factory;
    registerBuiltInEngine(factory);
    Inventory inventory;
    inventory.ownerFields = QStringList(8, QStringLiteral("x"));
    inventory.items = {itemFromTexts({"Garage", "Bike"})};
    exportInventoryWorkbook(factory, inventory, m_dir.path(), m_workbook);
    showResult(kSmall);
    const QString digest(64, QLatin1Char('a'));
    int asked = 0;
    m_form->setReportEvidenceSource([&] {
        ++asked;
        report::EvidenceFile file;
        file.attachment.kind = AttachmentKind::Receipt;
        file.attachment.file.originalName = QStringLiteral("till-slip.pdf");
        file.attachment.file.sha256 = digest;
        file.path = path(QStringLiteral("till-slip.pdf"));
        return report::ReportEvidence{{{file}}};
    });
    writeFile(path(QStringLiteral("till-slip.pdf")), "%PDF-1.4");
    const auto textOf = [](const QString& pdf) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput());
    };

    m_prompts.fileAnswers = {path(QStringLiteral("report.pdf"))};
    m_form->saveAsPdf();
    EXPECT_EQ(m_prompts.messages(), QStringList{QStringLiteral("Done.")});
    const QString saved = textOf(path(QStringLiteral("report.pdf")));
    EXPECT_TRUE(saved.contains(QStringLiteral("till-slip.pdf")));
    EXPECT_TRUE(saved.contains(QStringLiteral("SHA-256: ") + digest));

    m_prompts.printerFile = path(QStringLiteral("printed.pdf"));
    m_form->printReport();
    EXPECT_TRUE(
        textOf(path(QStringLiteral("printed.pdf"))).contains(QStringLiteral("SHA-256: ") + digest));
    EXPECT_EQ(asked, 2);
}

TEST_F(PreviewWindowTest, TheHandCursorBesideTheProgramIsLoaded)
{
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(STOWFOLIO_HAND_CURSOR), path(QStringLiteral("HAND-M.CUR"))));
    const std::unique_ptr<PreviewWindow> form = makeForm(m_dir.path());
    EXPECT_EQ(m_prompts.errorReports(), 0);
    EXPECT_TRUE(form->pointer().hasCustomCursor());
    EXPECT_FALSE(m_form->pointer().hasCustomCursor());
}

TEST_F(PreviewWindowTest, AnUnreadableHandCursorIsReportedAtLoad)
{
    writeFile(path(QStringLiteral("HAND-M.CUR")), "not a cursor");
    const std::unique_ptr<PreviewWindow> form = makeForm(m_dir.path());
    ASSERT_EQ(m_prompts.errorReports(), 1);
    EXPECT_TRUE(
        m_prompts.messages().front().contains(QStringLiteral("Form2.Form_Load at line 110")));
    EXPECT_FALSE(form->pointer().hasCustomCursor());
    EXPECT_TRUE(form->awaitsViewerSetUp());
}

TEST_F(PreviewWindowTest, ButtonsShowTheHandUnlessTheWindowIsBusy)
{
    showResult(kSmall);
    const auto hoverOver = [](QWidget* widget) {
        QMouseEvent event(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    };
    hoverOver(controls().saveButton);
    EXPECT_EQ(m_form->pointer().code(), kCustomPointer);
    hoverOver(controls().zoomFrame);
    EXPECT_EQ(m_form->pointer().code(), kDefaultPointer);
    hoverOver(controls().zoomInButton);
    hoverOver(controls().surface);
    EXPECT_EQ(m_form->pointer().code(), kCustomPointer);
    hoverOver(m_form.get());
    EXPECT_EQ(m_form->pointer().code(), kDefaultPointer);

    m_form->pointer().setCode(kHourglassPointer);
    hoverOver(controls().backButton);
    hoverOver(m_form.get());
    EXPECT_EQ(m_form->pointer().code(), kHourglassPointer);
    m_form->pointer().setCode(kDefaultPointer);
}

} // namespace
} // namespace stowfolio::preview

namespace stowfolio::preview {
namespace {

// Each control's place in the window, by object name (class name when it has none), as the
// window had them when it could not be resized.
std::map<QString, QRect> placesInWindow(QWidget& window)
{
    std::map<QString, QRect> places;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (qobject_cast<QMenu*>(widget) || !widget->isVisibleTo(&window))
            continue;
        QString key = widget->objectName();
        if (key.isEmpty())
            key = QString::fromLatin1(widget->metaObject()->className());
        if (key.startsWith(QLatin1String("qt_")))
            continue;
        places[key] = QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    }
    return places;
}

TEST_F(PreviewWindowTest, AtItsDefaultSizeEveryControlStaysWhereTheFixedWindowHadIt)
{
    const std::vector<std::pair<QString, QRect>> fixedWindow = {
        {"Form2Client", QRect(0, 19, 656, 624)},   {"Picture2", QRect(8, 27, 622, 495)},
        {"QWidget", QRect(9, 28, 620, 493)},       {"Picture1", QRect(9, 28, 0, 0)},
        {"VScroll1", QRect(630, 27, 17, 495)},     {"HScroll1", QRect(8, 522, 622, 17)},
        {"Frame1", QRect(8, 543, 640, 57)},        {"PushButton1", QRect(24, 563, 296, 27)},
        {"PushButton2", QRect(328, 563, 304, 27)}, {"PushButton8", QRect(8, 609, 312, 27)},
        {"PushButton6", QRect(328, 609, 320, 27)},
    };
    m_form->show();
    EXPECT_EQ(m_form->size(), QSize(656, 643));
    std::map<QString, QRect> now = placesInWindow(*m_form);
    for (const auto& [name, place] : fixedWindow) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(now.count(name));
        EXPECT_EQ(now[name], place);
    }
}

// Extra room goes to the picture: the viewport grows, the scroll bars follow its edges, the
// zoom frame and the buttons follow the bottom edge; the zoom model learns the new viewport and
// a picture that now fits gets its bar disabled.
TEST_F(PreviewWindowTest, ExtraSizeGoesToThePicture)
{
    showResult(QSize(900, 700)); // wider and taller than the drawn viewport (620 x 493)
    ASSERT_TRUE(controls().horizontalBar->isEnabled());
    ASSERT_TRUE(controls().verticalBar->isEnabled());
    const std::map<QString, QRect> before = placesInWindow(*m_form);
    m_form->resize(m_form->size() + QSize(400, 300));
    QApplication::processEvents();
    std::map<QString, QRect> after = placesInWindow(*m_form);
    EXPECT_EQ(after["Picture2"], before.at("Picture2").adjusted(0, 0, 400, 300));
    EXPECT_EQ(after["VScroll1"], before.at("VScroll1").adjusted(400, 0, 400, 300));
    EXPECT_EQ(after["HScroll1"], before.at("HScroll1").adjusted(0, 300, 400, 300));
    for (const char* below : {"Frame1", "PushButton1", "PushButton2", "PushButton6", "PushButton8"})
        EXPECT_EQ(after[below], before.at(below).translated(0, 300)) << below;
    EXPECT_EQ(m_form->zoomModel().viewportOuter(),
              (Extent{(622 + 400) * kTwipsPerPixel, (495 + 300) * kTwipsPerPixel}));
    EXPECT_EQ(m_form->zoomModel().viewportInner(),
              (Extent{(620 + 400) * kTwipsPerPixel, (493 + 300) * kTwipsPerPixel}));
    EXPECT_FALSE(controls().horizontalBar->isEnabled());
    EXPECT_FALSE(controls().verticalBar->isEnabled());
}

// A window lower than drawn shrinks the picture first, down to its smallest height.
TEST_F(PreviewWindowTest, ALowWindowShrinksThePicture)
{
    showResult(QSize(300, 300));
    m_form->resize(656, 400);
    QApplication::processEvents();
    EXPECT_EQ(m_form->height(), 400);
    const QRect viewport = controls().viewport->geometry();
    EXPECT_LT(viewport.height(), 495);
    EXPECT_GE(viewport.height(), kSmallestViewportHeight);
    EXPECT_EQ(m_form->zoomModel().viewportOuter().height,
              std::int64_t{viewport.height()} * kTwipsPerPixel);
    // The buttons stay inside the window.
    const QRect save(controls().saveButton->mapTo(m_form.get(), QPoint(0, 0)),
                     controls().saveButton->size());
    EXPECT_LE(save.bottom(), m_form->height() - 1);
}

} // namespace
} // namespace stowfolio::preview
