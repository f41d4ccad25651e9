// The renderer's pictures of the inventory sheets compared with reference images that were
// checked by eye against LibreOffice's rendering of the same workbooks
// (compare_with_libreoffice.sh). A picture that differs is written to the temporary folder for
// a person to look at; with RENDER_SAVE_WORKBOOKS=DIR the workbooks are saved there as .xls
// files for that script, each with our picture of it.

#include "tests/spreadsheet/render/feature_fixture.h"
#include "tests/spreadsheet/render/inventory_fixture.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/model/used_range.h"
#include "spreadsheet/render/sheet_renderer.h"

#include <QDir>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace spreadsheet::render {
namespace {

using testing::inventoryWorkbook;
using testing::ItemRow;
using testing::sampleItem;

QString referencePath(const char* name)
{
    return QStringLiteral(RENDER_REFERENCE_DIR "/%1.png").arg(QLatin1String(name));
}

// Share of pixels whose colour differs by more than a little in any channel.
double differingShare(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            if (std::abs(qRed(p[column]) - qRed(q[column])) > 40 ||
                std::abs(qGreen(p[column]) - qGreen(q[column])) > 40 ||
                std::abs(qBlue(p[column]) - qBlue(q[column])) > 40)
                ++differing;
        }
    }
    return double(differing) / (double(x.width()) * x.height());
}

void expectMatchesReference(const Workbook& workbook, const char* name)
{
    const QString saveDir = qEnvironmentVariable("RENDER_SAVE_WORKBOOKS");
    if (!saveDir.isEmpty())
        writeWorkbookFile(workbook, QDir(saveDir).filePath(QString(name) + ".xls").toStdString());
    const Worksheet& sheet = workbook.sheets.front();
    const QImage actual = renderRange(workbook, sheet, usedRange(sheet)).toImage(1.0);
    const QString actualPath = QDir::temp().filePath(QStringLiteral("render-%1.png").arg(name));
    if (!saveDir.isEmpty())
        actual.save(QDir(saveDir).filePath(QString(name) + ".png"));
    const QImage expected(referencePath(name));
    if (expected.isNull() || expected.size() != actual.size() ||
        differingShare(expected, actual) > 0.002) {
        actual.save(actualPath);
        ADD_FAILURE() << name << " differs from " << referencePath(name).toStdString()
                      << "; the picture is in " << actualPath.toStdString();
    }
}

TEST(ReferenceImage, EmptyTemplate)
{
    expectMatchesReference(inventoryWorkbook({}, false), "template");
}

// The shipped template file, read as the program reads it, looks like the template's model.
TEST(ReferenceImage, TemplateFile)
{
    expectMatchesReference(readWorkbookFile(STOWFOLIO_TEMPLATE_PATH), "template");
}

TEST(ReferenceImage, SampleInventory)
{
    expectMatchesReference(inventoryWorkbook({sampleItem()}), "sample_inventory");
}

// Long texts that spill and are cut, a number too wide for its column, several items.
TEST(ReferenceImage, SeveralItems)
{
    ItemRow wide = sampleItem();
    wide.description = "Grand piano, black lacquer, bought second hand with the bench";
    wide.price = 123456789012.5;
    wide.estimate = 1500.25;
    wide.notes = "Tuned every spring";
    ItemRow plain;
    plain.location = "Kitchen";
    plain.description = "Fridge";
    plain.estimate = 899;
    plain.purchaseDate = 44197;
    plain.photo = "C:\\Photos\\fridge-with-a-very-long-file-name.jpg";
    expectMatchesReference(inventoryWorkbook({wide, plain, sampleItem()}), "several_items");
}

TEST(ReferenceImage, OneOfEachFeature)
{
    expectMatchesReference(testing::featureWorkbook(), "features");
}

} // namespace
} // namespace spreadsheet::render
