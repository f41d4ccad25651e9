#pragma once

#include "platform/widgets_only.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include <functional>

namespace stowfolio {

// A menu entry with its keys that runs `command`.
inline QAction* addMenuCommand(QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                               std::function<void()> command)
{
    QAction* action = menu->addAction(text);
    action->setShortcuts(keys);
    QObject::connect(action, &QAction::triggered, menu, std::move(command));
    return action;
}

} // namespace stowfolio
