#include "app/program.h"

#include "app/report_evidence_source.h"
#include "platform/file_helpers.h"
#include "platform/window_fitting.h"
#include "platform/window_pointer.h"
#include "platform/work_progress.h"
#include "spreadsheet/render/sheet_picture.h"
#include "workbook/excel_factory.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>

#include <cstdlib>

namespace stowfolio {

Program::Program(ProgramServices services)
    : endProgram([] { QCoreApplication::exit(0); }),
      m_prompts(services.mainPrompts ? *services.mainPrompts : m_widgetPrompts),
      m_previewPrompts(services.previewPrompts ? *services.previewPrompts : m_previewWidgetPrompts),
      m_applicationFolder(services.applicationFolder), m_inventory(services.inventory),
      m_mainWindow({services.settings, services.inventory, m_prompts, services.excelFactory,
                    m_applicationFolder, services.randomFraction, services.openUrl,
                    [] { std::exit(EXIT_FAILURE); }}),
      m_builder(services.excelFactory, m_prompts, services.temporaryFolder)
{
    m_widgetPrompts.setParent(&m_mainWindow);
    m_mainWindow.setStartCreatingTemplateHandler([this] { startCreatingTemplate(); });
    QObject::connect(&m_mainWindow, &MainWindow::unloaded, [this] { endProgram(); });
}

Program::~Program() = default;

void Program::start()
{
    m_mainWindow.startUp();
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size().shrunkBy(
        windowFrameMargins(m_mainWindow));
    placeOnScreen(m_mainWindow, m_mainWindow.sizeToOpen(room));
    m_mainWindow.show();
}

void Program::bringToFront()
{
    QWidget* window = m_previewWindow && m_previewWindow->isVisible()
                          ? static_cast<QWidget*>(m_previewWindow.get())
                          : static_cast<QWidget*>(&m_mainWindow);
    window->showNormal();
    window->raise();
    window->activateWindow();
}

Inventory Program::inventoryOfMainWindow() const
{
    Inventory inventory;
    inventory.ownerFields = m_mainWindow.ownerFieldTexts();
    inventory.items = m_mainWindow.model().items();
    inventory.conventions = m_mainWindow.model().conventions();
    return inventory;
}

preview::PreviewWindow& Program::loadPreview()
{
    if (!m_previewWindow) {
        preview::PreviewServices services{m_previewPrompts,
                                          [this] { m_mainWindow.show(); },
                                          [this] { m_mainWindow.saveItemList(); },
                                          [this] { return m_mainWindow.mayEndProgram(); },
                                          [this] { endProgram(); },
                                          m_applicationFolder,
                                          QIcon(QStringLiteral(":/stowfolio.png"))};
        m_previewWindow = std::make_unique<preview::PreviewWindow>(std::move(services));
        m_previewWidgetPrompts.setParent(m_previewWindow.get());
        m_previewWindow->setReportEvidenceSource([this] { return previewEvidence(); });
        m_previewWindow->setUpWindow();
        placeOnScreen(*m_previewWindow, m_previewWindow->defaultSize());
    }
    return *m_previewWindow;
}

report::ReportEvidence Program::previewEvidence() const
{
    return reportEvidenceOf(m_inventory, m_previewItems);
}

void Program::startCreatingTemplate()
{
    // Further clicks on the button, queued while a build runs, arrive when its quiet deletes
    // let pending events run or once it is over, by which time the main window may have given
    // way to the preview. Building again then would take the preview's workbook from it and
    // leave that file behind in the work folder.
    if (m_building || !m_mainWindow.isVisible())
        return;
    const QScopedValueRollback<bool> building(m_building, true);
    // A build of many items takes seconds: the busy pointer says so from the first moment, and
    // the window is drawn whole before it starts.
    const BusyPointer busy;
    repaintBeforeLongWork();
    const Inventory inventory = inventoryOfMainWindow();
    BuildTargets targets{
        [this](int code) { m_mainWindow.setPointerCode(code); },
        [this](spreadsheet::render::SheetPicture picture) {
            loadPreview().setPicture(std::move(picture));
        },
        [this, &inventory](const QString& path) {
            loadPreview().setWorkbookPath(path);
            m_previewItems = inventory.items;
        },
        [this] { loadPreview().show(); },
        [this] { m_mainWindow.hide(); },
    };
    // A bar over the main window for a build that lasts beyond half a second. It has no Cancel:
    // a build runs to its end. Its updates let the window repaint meanwhile.
    WorkProgress progress(m_mainWindow, QStringLiteral("Creating the workbook…"),
                          WorkProgress::Stopping::NotAllowed);
    m_builder.setProgressHandler(
        [&progress](int done, int total) { progress.report(done, total); });
    const auto forgetProgress = qScopeGuard([this] { m_builder.setProgressHandler({}); });
    m_builder.buildAndShowPreview(inventory, targets);
}

} // namespace stowfolio
