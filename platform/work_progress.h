#pragma once

#include "platform/widgets_only.h"

// The progress of work that may take seconds, over the window it was started from: the busy
// pointer is the caller's, from the first moment; this dialog appears only once the work has
// lasted half a second, so quick work shows nothing. It is window-modal, so the windows repaint
// while it is updated but take no clicks, and it has Cancel only where stopping is safe.

#include <QProgressDialog>

class QWidget;

namespace stowfolio {

class WorkProgress
{
public:
    enum class Stopping
    {
        Allowed,
        NotAllowed
    };

    WorkProgress(QWidget& window, const QString& label, Stopping stopping);

    // How far the work has come (any unit; `total` 0 when unknown). False once the user has
    // asked to stop.
    bool report(qint64 done, qint64 total);

private:
    QProgressDialog m_dialog;
};

} // namespace stowfolio
