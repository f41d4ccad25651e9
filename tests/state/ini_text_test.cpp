#include "state/ini_text.h"

#include <QFile>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

// What QSettings reads from `text`. Each call uses a new file: QSettings caches parsed files by
// name, and a cached copy would hide what is on disk.
QMap<QString, QVariant> readBack(const QByteArray& text)
{
    static QTemporaryDir folder;
    static int count = 0;
    const QString path = folder.filePath(QStringLiteral("%1.ini").arg(++count));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    EXPECT_EQ(settings.status(), QSettings::NoError);
    return values;
}

// Every value and key that QSettings escapes, quotes or encodes in a form of its own comes back
// from our text exactly.
TEST(IniText, QSettingsReadsBackEveryValueExactly)
{
    const QMap<QString, QVariant> values = {
        {QStringLiteral("Stowfolio/empty"), QString()},
        {QStringLiteral("Stowfolio/blanks"), QStringLiteral("  leading and trailing  ")},
        {QStringLiteral("Stowfolio/separators"), QStringLiteral("a, b; c = d")},
        {QStringLiteral("Stowfolio/quotes"), QStringLiteral("\"quoted\" and \\backslash\\")},
        {QStringLiteral("Stowfolio/controls"), QStringLiteral("line\r\nnext\ttab\x01\x1f"
                                                              "f end")},
        {QStringLiteral("Stowfolio/nul"), QString(QStringLiteral("a\0b"))},
        {QStringLiteral("Stowfolio/unicode"), QStringLiteral("Ωμέγα 中文 🙂 é")},
        {QStringLiteral("Stowfolio/at"), QStringLiteral("@Variant(not really)")},
        {QStringLiteral("Stowfolio/Items"),
         QStringLiteral(
             "Garage^Chevrolet Suburban^10/16/2005^Gus's garage^^45000^^^^^^|^^^^^^^^^^^")},
        {QStringLiteral("Stowfolio/long"), QString(100'000, QLatin1Char('x'))},
        {QStringLiteral("Stowfolio/list"), QStringList{QStringLiteral("a"), QStringLiteral("b c")}},
        {QStringLiteral("Stowfolio/bytes"), QByteArray("\x00\x7f\xff raw", 7)},
        {QStringLiteral("Stowfolio/rect"), QRect(1, 2, 3, 4)},
        {QStringLiteral("Other/sub/key"), QStringLiteral("nested")},
        {QStringLiteral("General/key"), QStringLiteral("a section called General")},
        {QStringLiteral("rootKey"), QStringLiteral("no section")},
        {QStringLiteral("Ωsection/ké y"), QStringLiteral("escaped names")},
    };
    const QMap<QString, QVariant> read = readBack(iniFileText(values));
    EXPECT_EQ(read.keys(), values.keys());
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        EXPECT_EQ(read.value(it.key()), it.value()) << it.key().toStdString();
}

// The file QSettings itself writes for `values`.
QByteArray writtenByQSettings(const QMap<QString, QVariant>& values)
{
    static QTemporaryDir folder;
    static int count = 0;
    const QString path = folder.filePath(QStringLiteral("%1.ini").arg(++count));
    {
        QSettings settings(path, QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Each character that makes the writer quote a value, alone, with no other such character
// beside it: unquoted, a ";" would start a comment, a "," a list, and a blank at either end
// would be trimmed. The value comes back exactly, and its line is the one QSettings writes.
TEST(IniText, EachCharacterThatNeedsQuotesIsQuotedAlone)
{
    const struct
    {
        const char* name;
        QVariant value;
    } cases[] = {
        {"semicolon", QStringLiteral("Oak; Elm")},
        {"semicolon alone", QStringLiteral(";")},
        {"semicolon at the end", QStringLiteral("Oak;")},
        {"comma", QStringLiteral("Oak, Elm")},
        {"equals sign", QStringLiteral("a=b")},
        {"leading blank", QStringLiteral(" Oak")},
        {"trailing blank", QStringLiteral("Oak ")},
        {"semicolon in bytes", QByteArray("Oak;Elm")},
        {"comma in bytes", QByteArray("Oak,Elm")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QMap<QString, QVariant> values = {{QStringLiteral("Stowfolio/txtNotes"), c.value}};
        const QByteArray text = iniFileText(values);
        EXPECT_EQ(readBack(text), values);
        EXPECT_EQ(text, writtenByQSettings(values));
    }
}

// The file keeps the form QSettings gives it, so a file we write looks like the ones before.
TEST(IniText, LooksLikeTheFileQSettingsWrites)
{
    EXPECT_EQ(iniFileText({{QStringLiteral("Stowfolio/txtName"), QStringLiteral("Ann")},
                           {QStringLiteral("Stowfolio/Items"), QStringLiteral("a^b")}}),
              QByteArray("[Stowfolio]\nItems=a^b\ntxtName=Ann\n"));
    EXPECT_EQ(iniFileText({}), QByteArray());
}

} // namespace
} // namespace stowfolio
