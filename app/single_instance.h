#pragma once

// One window per user: the first window holds a lock file and listens on a local socket, both
// in the program's private data folder; a second start finds the lock held, asks the first
// window over the socket to come to the front, and ends. Two windows would otherwise each
// believe they hold the whole list. Jobs without a window (--import, --csv, ...) never take the
// lock: they work on the inventory database beside a running window.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace stowfolio {

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `folder` is private to the user (the inventory's folder).
    explicit SingleInstance(const QString& folder);
    ~SingleInstance() override;

    // Takes the lock and starts listening; false when another window of this user holds it,
    // which has then been asked to come to the front.
    bool claim();
    // Called in the first window when a second start asks it to come to the front.
    void setActivationHandler(std::function<void()> handler) { m_activate = std::move(handler); }

private:
    void acceptActivation();

    QString m_folder;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
    std::function<void()> m_activate;
};

} // namespace stowfolio
