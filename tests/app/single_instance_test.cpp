// One window per user: a second claim fails and brings the first window forward; the lock of a
// window that was killed does not block the next start.

#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

namespace stowfolio {
namespace {

TEST(SingleInstanceTest, ASecondStartBringsTheFirstForwardInsteadOfOpening)
{
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    int activations = 0;
    first.setActivationHandler([&] { ++activations; });
    ASSERT_TRUE(first.claim());

    // The second start runs in a process of its own, as it would.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance second(folder.path());
        ::_exit(second.claim() ? 1 : 0);
    }
    QElapsedTimer waited;
    waited.start();
    int status = -1;
    while (::waitpid(child, &status, WNOHANG) == 0 || activations == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (waited.elapsed() > 10000)
            break;
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the second start claimed the lock too";
    EXPECT_EQ(activations, 1);
}

TEST(SingleInstanceTest, TheLockOfAKilledWindowDoesNotBlockTheNextStart)
{
    QTemporaryDir folder;
    int claimed[2];
    ASSERT_EQ(::pipe(claimed), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance killed(folder.path());
        const char done = killed.claim() ? 'y' : 'n';
        if (::write(claimed[1], &done, 1) != 1)
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    // Wait until the child holds the lock whole (its file written), then kill it.
    char done = 0;
    ASSERT_EQ(::read(claimed[0], &done, 1), 1);
    ASSERT_EQ(done, 'y');
    ::close(claimed[0]);
    ::close(claimed[1]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    SingleInstance next(folder.path());
    EXPECT_TRUE(next.claim());
}

} // namespace
} // namespace stowfolio
