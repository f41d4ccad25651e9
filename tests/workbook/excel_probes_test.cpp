#include "workbook/excel_factory.h"
#include "workbook/excel_probes.h"
#include "workbook/template_resource.h"

#include "tests/support/scripted_prompts.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <stdexcept>

namespace stowfolio {
namespace {

using testing::ScriptedPrompts;

TEST(checkExcelInstalled, WithoutTheComponentShowsTheNumberedMessageAndEndsTheProgram)
{
    const ExcelFactory empty;
    ScriptedPrompts prompts;
    int ended = 0;
    EXPECT_FALSE(checkExcelInstalled(empty, prompts, [&] { ++ended; }));
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("message"));
    EXPECT_EQ(prompts.shown[0].title, QString()); // the application title
    EXPECT_EQ(prompts.shown[0].icon, MessageIcon::None);
    const QString text = prompts.shown[0].text;
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 8);
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("Error 842001. A normal instance of Excel could not be created.\r\n\r\n"
                       "1. Please make sure Excel is installed on this computer.\r\n\r\n2. ")));
    EXPECT_TRUE(text.endsWith(QStringLiteral(
        "opens normally without any interrupting messages.\r\n\r\n4. All versions of Excel are "
        "supported by this software except for the rare Excel Starter and Student editions.")));
}

TEST(checkExcelInstalled, AFactoryThatYieldsNothingCountsAsMissing)
{
    ExcelFactory factory;
    factory.registerProgId(kExcelProgId, [] { return nullptr; });
    ScriptedPrompts prompts;
    int ended = 0;
    EXPECT_FALSE(checkExcelInstalled(factory, prompts, [&] { ++ended; }));
    EXPECT_EQ(ended, 1);
}

TEST(checkExcelInstalled, WithTheBuiltInEngineShowsNothing)
{
    ExcelFactory factory;
    registerBuiltInEngine(factory);
    ScriptedPrompts prompts;
    int ended = 0;
    EXPECT_TRUE(checkExcelInstalled(factory, prompts, [&] { ++ended; }));
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(prompts.shown.empty());
}

class LocaleScope
{
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

TEST(excelFileFormat, VersionsAfterElevenSaveAsExcel8)
{
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"9.0", -4143}, {"11.0", -4143}, {"12.0", 56}, {"14.0", 56},
        {"15.0", 56},   {"16.0", 56},    {"11.5", 56}, // rounds half to even: 12
        {"12.5", 56},                                  // 12
    };
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates),
          QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France)}) {
        LocaleScope scope(locale);
        for (const auto& [version, format] : cases) {
            SCOPED_TRACE(locale.name().toStdString() + " " + version);
            EXPECT_EQ(fileFormatForVersion(version), format);
        }
    }
    EXPECT_THROW(fileFormatForVersion("twelve"), std::runtime_error);
    EXPECT_THROW(fileFormatForVersion("99999.0"), std::runtime_error);
}

TEST(excelFileFormat, StartsItsOwnApplicationOnlyWhenNoneIsGiven)
{
    ExcelFactory factory;
    int created = 0;
    factory.registerProgId(kExcelProgId, [&] {
        ++created;
        return std::make_unique<spreadsheet::automation::Application>();
    });
    EXPECT_EQ(excelFileFormat(factory), 56);
    EXPECT_EQ(created, 1);

    spreadsheet::automation::Application running;
    EXPECT_EQ(excelFileFormat(factory, &running), 56);
    EXPECT_EQ(created, 1);
    // The given application was not quit: it still answers.
    EXPECT_EQ(running.Version(), "12.0");

    EXPECT_THROW(excelFileFormat(ExcelFactory()), std::runtime_error);
}

TEST(LocaleDecimal, ReplacesPointsAndCommasByTheLocalesSeparator)
{
    {
        LocaleScope scope(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(localeDecimalSeparator(), QStringLiteral("."));
        EXPECT_EQ(toLocaleDecimal(QStringLiteral("1,234.5")), QStringLiteral("1.234.5"));
    }
    {
        LocaleScope scope(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(localeDecimalSeparator(), QStringLiteral(","));
        EXPECT_EQ(toLocaleDecimal(QStringLiteral("12.0")), QStringLiteral("12,0"));
        EXPECT_EQ(toLocaleDecimal(QStringLiteral("1,234.5")), QStringLiteral("1,234,5"));
    }
}

TEST(TemplateResource, HoldsTheCommittedTemplate)
{
    QFile source(QStringLiteral(STOWFOLIO_RESOURCES_DIR "/template.xlt"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = readTemplateResource();
    EXPECT_TRUE(bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")); // a compound file
    EXPECT_EQ(bytes, source.readAll());
}

} // namespace
} // namespace stowfolio
