#include "platform/work_progress.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>

namespace stowfolio {

namespace {

constexpr int kSteps = 1000; // fine enough for a bar, and `done` may be bytes beyond an int

} // namespace

WorkProgress::WorkProgress(QWidget& window, const QString& label, Stopping stopping)
    : m_dialog(label, stopping == Stopping::Allowed ? QStringLiteral("Cancel") : QString(), 0,
               kSteps, &window)
{
    m_dialog.setWindowTitle(window.window()->windowTitle());
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(500);
    if (stopping == Stopping::NotAllowed)
        m_dialog.setCancelButton(nullptr);
    m_dialog.setValue(0); // the half second counts from here
}

bool WorkProgress::report(qint64 done, qint64 total)
{
    if (total <= 0) {
        m_dialog.setMaximum(0); // a bar that only says "working"
        m_dialog.setValue(0);
    } else {
        m_dialog.setMaximum(kSteps);
        m_dialog.setValue(static_cast<int>(std::min(done, total) * kSteps / total));
    }
    // Until the dialog shows, setValue() lets nothing run: the windows repaint all the same,
    // and clicks wait until the work is over, as they do behind the shown dialog.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return !m_dialog.wasCanceled();
}

} // namespace stowfolio
