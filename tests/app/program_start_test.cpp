// The program as a user starts it without a display (a server, an ssh session, a cron job): a
// mistake on the command line is told with the usage and exit code 2, never a toolkit abort.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ProgramStart, MistakesWithoutADisplayPrintTheUsageAndExitWithTwo)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    const QStringList cases[] = {
        {QStringLiteral("--bogus")},
        {QStringLiteral("--range"), QStringLiteral("A1:B2")},
        {QStringLiteral("--password-file"), QStringLiteral("password.txt")},
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(STOWFOLIO_EXECUTABLE), arguments);
        ASSERT_TRUE(program.waitForFinished(-1));
        const QString error = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << error.toStdString();
        EXPECT_EQ(program.exitCode(), 2) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("Usage:"))) << error.toStdString();
        EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
    }
}

} // namespace
