// How the main window copes with a long inventory, at 1,000 and 65,526 items: start-up to a
// filled list, a keystroke in an owner field, an edit in place, Add, Delete, Undo, Move and
// Sort, each including what it stores (the inventory database, the settings file).

#include "app/main_window.h"
#include "bench/silent_prompts.h"
#include "state/inventory_opening.h"
#include "state/inventory_store.h"
#include "state/item_filter_model.h"
#include "state/item_import.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"

#include <QApplication>
#include <QCollator>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>

namespace stowfolio {
namespace {

using bench::SilentPrompts;

// A plausible item: every field filled.
ItemFields plausibleItem(int r)
{
    const QString n = QString::number(r);
    return {QStringLiteral("Room ") + n,
            QStringLiteral("Item number %1 with a description").arg(r),
            QStringLiteral("10/16/2005"),
            QStringLiteral("A shop"),
            QStringLiteral("1 year"),
            n + QStringLiteral(".00"),
            QStringLiteral("Good"),
            n,
            QStringLiteral("Model ") + n,
            QStringLiteral("SN-") + n,
            QStringLiteral("Some notes about it"),
            QStringLiteral("/home/user/Pictures/item %1.jpg").arg(r)};
}

// A window over an inventory of `rows` items whose settings file holds the same list under
// "Items", as after the window last closed.
struct Inventory
{
    SilentPrompts prompts;
    ExcelFactory factory;
    QTemporaryDir folder;
    IniSettingsStore settings{folder.filePath(QStringLiteral("Quillane.ini"))};
    InventoryStore store{folder.filePath(QStringLiteral("inventory.db"))};
    std::unique_ptr<MainWindow> form;
    QTreeView* list = nullptr;

    explicit Inventory(int rows)
    {
        registerBuiltInEngine(factory);
        std::vector<ItemFields> items;
        for (int r = 0; r < rows; ++r)
            items.push_back(plausibleItem(r));
        store.replaceAll(items);
        const QString encoded = encodedItems(store.items());
        settings.write(kItemsKey, encoded);
        recordSettingsList(store, encoded);
    }
    void open()
    {
        form = std::make_unique<MainWindow>(
            MainWindowDependencies{settings, store, prompts, factory, folder.path(),
                                   [] { return 0.5; }, [](const QUrl&) {}, [] {}});
        form->startUp();
        list = form->findChild<QTreeView*>("ListView1");
        list->setCurrentIndex(list->model()->index(form->itemCount() / 2, 1));
    }
};

void BM_StartUp(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        at.open();
        state.PauseTiming();
        at.form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

// One keystroke: a letter typed or taken back in turn, so that the field's own text stays short.
void typeOrTakeBack(QLineEdit& field)
{
    if (field.text().isEmpty())
        field.insert(QStringLiteral("a"));
    else
        field.backspace();
}

// The settings file holds the whole list too: a keystroke in an owner field stores it. What the
// window waits for: the settings store's writer thread writes the file meanwhile.
void BM_OwnerFieldKeystroke(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    at.settings.flush();
    QLineEdit* name = at.form->findChild<QLineEdit*>("txtName");
    for (auto _ : state)
        typeOrTakeBack(*name);
}
BENCHMARK(BM_OwnerFieldKeystroke)->Arg(1000)->Arg(65526)->Unit(benchmark::kMicrosecond);

// The same keystroke until the file holds it: the writer thread's work for one keystroke, which
// the window waited for while it wrote the file itself.
void BM_OwnerFieldKeystrokeStored(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    at.settings.flush();
    QLineEdit* name = at.form->findChild<QLineEdit*>("txtName");
    for (auto _ : state) {
        typeOrTakeBack(*name);
        at.settings.flush();
    }
}
BENCHMARK(BM_OwnerFieldKeystrokeStored)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_EditInPlace(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    const QModelIndex index = at.list->currentIndex();
    int n = 0;
    for (auto _ : state)
        at.form->commitEdit(index, QStringLiteral("Edited %1").arg(++n));
}
BENCHMARK(BM_EditInPlace)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_Add(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    QLineEdit* location = at.form->findChild<QLineEdit*>("txtILoc");
    for (auto _ : state) {
        state.PauseTiming();
        location->setText(QStringLiteral("Garage"));
        state.ResumeTiming();
        at.form->addItem();
    }
}
BENCHMARK(BM_Add)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_DeleteThenUndo(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    for (auto _ : state) {
        at.form->deleteSelectedItem();
        at.form->undoStack().undo();
    }
    state.counters["per command ms"] =
        benchmark::Counter(2.0 * static_cast<double>(state.iterations()) / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DeleteThenUndo)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_MoveItem(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    int offset = 1;
    for (auto _ : state) {
        at.form->moveItem(offset);
        offset = -offset;
    }
}
BENCHMARK(BM_MoveItem)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

// Sorting by the location (texts by collation) and by the estimated value (amounts), each pick
// reversing the last.
void BM_SortItems(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    const int field = static_cast<int>(state.range(1));
    for (auto _ : state)
        at.form->sortItemsBy(field);
}
BENCHMARK(BM_SortItems)
    ->Args({1000, 0})
    ->Args({1000, 7})
    ->Args({65526, 0})
    ->Args({65526, 7})
    ->Unit(benchmark::kMillisecond);

// The order alone: collation keys or typed values and the stable sort.
void BM_SortOrder(benchmark::State& state)
{
    const int field = static_cast<int>(state.range(1));
    std::vector<QString> texts;
    for (int r = 0; r < state.range(0); ++r)
        texts.push_back(field == 0 ? QStringLiteral("Room %1").arg((r * 7919) % 1000)
                                   : QStringLiteral("%1").arg((r * 7919) % 100000));
    QCollator collator;
    collator.setNumericMode(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(sortedOrder(field, texts, SortDirection::Ascending,
                                             spreadsheet::input::InputLocale{}, collator));
}
BENCHMARK(BM_SortOrder)->Args({65526, 0})->Args({65526, 7})->Unit(benchmark::kMillisecond);

void BM_StatusLine(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    for (auto _ : state)
        at.form->updateStatusLine();
}
BENCHMARK(BM_StatusLine)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

// Closing writes the whole list under "Items" in the settings file.
void BM_StoreListAtClose(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    for (auto _ : state)
        at.form->saveItemList();
}
BENCHMARK(BM_StoreListAtClose)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

// Find: the list filtered to the items holding a text, and shown whole again.
void BM_FindFilter(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    ItemFilterModel shown(const_cast<InventoryModel&>(at.form->model()));
    for (auto _ : state) {
        // The rows are filtered when a view first asks for them.
        shown.setFindText(QStringLiteral("number 123"));
        benchmark::DoNotOptimize(shown.rowCount());
        shown.setFindText(QString());
        benchmark::DoNotOptimize(shown.rowCount());
    }
}
BENCHMARK(BM_FindFilter)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

// Import Items from a CSV file of `rows` items into an empty list, as the window does it after
// the preview: read, checked, stored in one transaction and shown (Undo in between, untimed).
void BM_ImportIntoWindow(benchmark::State& state)
{
    Inventory source(static_cast<int>(state.range(0)));
    const QString csv = source.folder.filePath(QStringLiteral("items.csv"));
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly) || file.write(itemsAsCsv(source.store.items())) < 0)
        state.SkipWithError("cannot write the CSV file");
    file.close();
    Inventory at(0);
    at.open();
    at.prompts.confirmTables = true;
    for (auto _ : state) {
        at.form->importFile(csv);
        state.PauseTiming();
        if (at.form->itemCount() != state.range(0))
            state.SkipWithError("the import did not add every item");
        at.form->undoStack().undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportIntoWindow)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

// Export Items as CSV from the window.
void BM_ExportFromWindow(benchmark::State& state)
{
    Inventory at(static_cast<int>(state.range(0)));
    at.open();
    at.prompts.savePath = at.folder.filePath(QStringLiteral("exported.csv"));
    for (auto _ : state)
        at.form->exportItemsAsCsv();
}
BENCHMARK(BM_ExportFromWindow)->Arg(1000)->Arg(65526)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace stowfolio

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
