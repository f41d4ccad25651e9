// The preview window's menu bar: saving the workbook, the report as PDF or on paper, and zoom.

#include "preview/preview_window.h"

#include "platform/menu_commands.h"
#include "platform/prompts.h"
#include "platform/window_pointer.h"
#include "platform/work_progress.h"
#include "report/inventory_report.h"

#include <QDate>
#include <QFileInfo>
#include <QMenuBar>
#include <QPrinter>

#include <optional>

namespace stowfolio::preview {

void PreviewWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addMenuCommand(file, QStringLiteral("&Save Results To Excel File"),
                   QKeySequence::keyBindings(QKeySequence::Save), [this] { saveWorkbookAs(); });
    addMenuCommand(file, QStringLiteral("Save as &PDF…"),
                   {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, [this] { saveAsPdf(); });
    addMenuCommand(file, QStringLiteral("P&rint…"), QKeySequence::keyBindings(QKeySequence::Print),
                   [this] { printReport(); });
    file->addSeparator();
    addMenuCommand(file, QStringLiteral("&Back"), {}, [this] { goBack(); });
    addMenuCommand(file, QStringLiteral("&Close"), QKeySequence::keyBindings(QKeySequence::Close),
                   [this] { close(); });
    // Closing the preview ends the program, so Quit is the same command on the main window's key.
    addMenuCommand(file, QStringLiteral("&Quit"), QKeySequence::keyBindings(QKeySequence::Quit),
                   [this] { close(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    // Ctrl+= too: on most keyboards "+" needs Shift, and "=" is the same key without it.
    QList<QKeySequence> zoomInKeys = QKeySequence::keyBindings(QKeySequence::ZoomIn);
    if (!zoomInKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Equal)))
        zoomInKeys << QKeySequence(Qt::CTRL | Qt::Key_Equal);
    addMenuCommand(view, QStringLiteral("Zoom &In"), zoomInKeys, [this] { zoomIn(); });
    addMenuCommand(view, QStringLiteral("Zoom &Out"),
                   QKeySequence::keyBindings(QKeySequence::ZoomOut), [this] { zoomOut(); });
    addMenuCommand(view, QStringLiteral("&Actual Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                   [this] { actualSize(); });
}

void PreviewWindow::actualSize()
{
    if (m_model.setZoom(1.0f))
        repaintAfterZoom();
}

report::ReportEvidence PreviewWindow::reportEvidence() const
{
    return m_reportEvidence ? m_reportEvidence() : report::ReportEvidence();
}

void PreviewWindow::saveAsPdf()
{
    const QString path =
        saveFileNameWithSuffix(m_services.prompts, QStringLiteral("Save as PDF"),
                               QStringLiteral("PDF Files (*.pdf)|*.pdf|"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    const bool exists = QFileInfo::exists(path);
    if (!confirmOverwrite(m_services.prompts, path))
        return;
    // A long report takes seconds: the busy pointer says so, over a window drawn again where
    // the dialogs were.
    const BusyPointer busy;
    repaintBeforeLongWork();
    WorkProgress progress(*this, QStringLiteral("Saving the report…"),
                          WorkProgress::Stopping::Allowed);
    // Agreed to overwrite, it is replaced even when read-only. Stopped, nothing is written and
    // a file already there stays as it was.
    try {
        if (!report::writeReportPdf(
                m_workbookPath, path, QDate::currentDate(),
                exists ? ReadOnlyTarget::Replace : ReadOnlyTarget::Refuse,
                [&progress](int done, int total) { return progress.report(done, total); },
                reportEvidence()))
            return;
        m_services.prompts.showMessage(QStringLiteral("Done."), QString(), MessageIcon::None);
    } catch (const std::exception& error) {
        m_services.prompts.showMessage(QStringLiteral("The report could not be saved as %1: %2")
                                           .arg(path, QString::fromUtf8(error.what())),
                                       QString(), MessageIcon::Exclamation);
    }
}

void PreviewWindow::printReport()
{
    try {
        std::optional<report::InventoryReport> report;
        {
            const BusyPointer busy;
            WorkProgress reading(*this, QStringLiteral("Preparing the report…"),
                                 WorkProgress::Stopping::Allowed);
            report.emplace(
                m_workbookPath, QDate::currentDate(),
                [&reading](int done, int total) { return reading.report(done, total); },
                reportEvidence());
            if (report->stopped())
                return;
        }
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setDocName(QStringLiteral("Home Inventory Report"));
        if (!m_services.prompts.choosePrinter(printer))
            return;
        const BusyPointer busy;
        repaintBeforeLongWork();
        WorkProgress progress(*this, QStringLiteral("Printing the report…"),
                              WorkProgress::Stopping::Allowed);
        // Stopped, the pages not yet sent are dropped with the whole print job.
        if (!report->paint(
                printer, [&progress](int done, int total) { return progress.report(done, total); }))
            printer.abort();
    } catch (const std::exception& error) {
        m_services.prompts.showMessage(QStringLiteral("The report could not be printed: %1")
                                           .arg(QString::fromUtf8(error.what())),
                                       QString(), MessageIcon::Exclamation);
    }
}

} // namespace stowfolio::preview
