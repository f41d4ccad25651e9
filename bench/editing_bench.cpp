// How the main window copes with a long inventory: restoring 10,000 rows at start-up, and one
// Add or Delete when the list already holds them (each of which stores the whole list).

#include "app/main_window.h"
#include "bench/silent_prompts.h"
#include "state/item_list_codec.h"
#include "state/memory_settings_store.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"

#include <QApplication>
#include <QCollator>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace stowfolio {
namespace {

constexpr int kRows = 10000;

using bench::SilentPrompts;

// A plausible list: every row with all twelve fields filled.
QString storedList(int rows)
{
    QStringList items;
    items.reserve(rows);
    for (int r = 0; r < rows; ++r)
        items << QStringList{QStringLiteral("Room %1").arg(r),
                             QStringLiteral("Item number %1 with a description").arg(r),
                             QStringLiteral("10/16/2005"),
                             QStringLiteral("A shop"),
                             QStringLiteral("1 year"),
                             QStringLiteral("%1.00").arg(r),
                             QStringLiteral("Good"),
                             QString::number(r),
                             QStringLiteral("Model %1").arg(r),
                             QStringLiteral("SN-%1").arg(r),
                             QStringLiteral("Some notes about it"),
                             QStringLiteral("/home/user/Pictures/item %1.jpg").arg(r)}
                     .join(QChar(kFieldSeparator));
    return items.join(QChar(kRowSeparator));
}

struct Setup
{
    SilentPrompts prompts;
    ExcelFactory factory;
    QTemporaryDir folder;

    Setup() { registerBuiltInEngine(factory); }

    std::unique_ptr<MainWindow> window(SettingsStore& store)
    {
        return std::make_unique<MainWindow>(MainWindowDependencies{
            store, prompts, factory, folder.path(), [] { return 0.5; }, [](const QUrl&) {}, [] {}});
    }
};

void BM_StartUpRestore(benchmark::State& state)
{
    Setup setup;
    MemorySettingsStore store;
    store.write(kItemsKey, storedList(kRows));
    for (auto _ : state) {
        state.PauseTiming();
        auto form = setup.window(store);
        state.ResumeTiming();
        form->startUp();
        state.PauseTiming();
        if (form->itemCount() != kRows)
            state.SkipWithError("rows missing");
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpRestore)->Unit(benchmark::kMillisecond);

void BM_StartUpRestoreFromFile(benchmark::State& state)
{
    Setup setup;
    const QString path = setup.folder.filePath(QStringLiteral("Quillane.ini"));
    IniSettingsStore(path).write(kItemsKey, storedList(kRows));
    for (auto _ : state) {
        state.PauseTiming();
        IniSettingsStore store(path);
        auto form = setup.window(store);
        state.ResumeTiming();
        form->startUp();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpRestoreFromFile)->Unit(benchmark::kMillisecond);

// One Add with 10,000 rows in the list, including storing the whole list.
void addAtTenThousand(benchmark::State& state, SettingsStore& store)
{
    Setup setup;
    store.write(kItemsKey, storedList(kRows));
    auto form = setup.window(store);
    form->startUp();
    QLineEdit* location = form->findChild<QLineEdit*>("txtILoc");
    QLineEdit* description = form->findChild<QLineEdit*>("txtDesc");
    for (auto _ : state) {
        state.PauseTiming();
        location->setText(QStringLiteral("Garage"));
        description->setText(QStringLiteral("Chevrolet Suburban"));
        state.ResumeTiming();
        form->addItem();
    }
    state.counters["rows at end"] = form->itemCount();
}

void BM_AddAtTenThousandRows(benchmark::State& state)
{
    MemorySettingsStore store;
    addAtTenThousand(state, store);
}
BENCHMARK(BM_AddAtTenThousandRows)->Unit(benchmark::kMillisecond);

void BM_AddAtTenThousandRowsSavedToFile(benchmark::State& state)
{
    QTemporaryDir folder;
    IniSettingsStore store(folder.filePath(QStringLiteral("Quillane.ini")));
    addAtTenThousand(state, store);
}
BENCHMARK(BM_AddAtTenThousandRowsSavedToFile)->Unit(benchmark::kMillisecond);

// Storing the list alone, without the file: the encoding of 10,000 rows.
void BM_StoreTenThousandRows(benchmark::State& state)
{
    Setup setup;
    MemorySettingsStore store;
    store.write(kItemsKey, storedList(kRows));
    auto form = setup.window(store);
    form->startUp();
    for (auto _ : state)
        form->saveItemList();
}
BENCHMARK(BM_StoreTenThousandRows)->Unit(benchmark::kMillisecond);

// Typing one character into an owner field rewrites the settings file, list included.
void BM_OwnerFieldKeystrokeWithTenThousandRowsSaved(benchmark::State& state)
{
    Setup setup;
    IniSettingsStore store(setup.folder.filePath(QStringLiteral("Quillane.ini")));
    store.write(kItemsKey, storedList(kRows));
    auto form = setup.window(store);
    form->startUp();
    QLineEdit* name = form->findChild<QLineEdit*>("txtName");
    for (auto _ : state)
        name->insert(QStringLiteral("a"));
}
BENCHMARK(BM_OwnerFieldKeystrokeWithTenThousandRowsSaved)->Unit(benchmark::kMillisecond);

void BM_DeleteAtTenThousandRows(benchmark::State& state)
{
    Setup setup;
    MemorySettingsStore store;
    store.write(kItemsKey, storedList(kRows + 2000));
    auto form = setup.window(store);
    form->startUp();
    auto* list = form->findChild<QTreeWidget*>("ListView1");
    for (auto _ : state) {
        state.PauseTiming();
        list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() / 2));
        state.ResumeTiming();
        form->deleteSelectedItem();
    }
}
BENCHMARK(BM_DeleteAtTenThousandRows)->Unit(benchmark::kMillisecond)->Iterations(1000);

// The list commands with 10,000 and 65,526 rows, each stored to the settings file as the user
// would have it.
struct ListAt
{
    Setup setup;
    QTemporaryDir folder;
    IniSettingsStore store{folder.filePath(QStringLiteral("Quillane.ini"))};
    std::unique_ptr<MainWindow> form;
    QTreeWidget* list = nullptr;

    explicit ListAt(int rows)
    {
        store.write(kItemsKey, storedList(rows));
        form = setup.window(store);
        form->startUp();
        list = form->findChild<QTreeWidget*>("ListView1");
        list->setCurrentItem(list->topLevelItem(rows / 2));
    }
};

void BM_EditInPlace(benchmark::State& state)
{
    ListAt at(static_cast<int>(state.range(0)));
    const QModelIndex index = at.list->currentIndex().siblingAtColumn(1);
    int n = 0;
    for (auto _ : state)
        at.form->commitEdit(index, QStringLiteral("Edited %1").arg(++n));
}
BENCHMARK(BM_EditInPlace)->Arg(10000)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_DuplicateThenUndo(benchmark::State& state)
{
    ListAt at(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        at.form->duplicateItem();
        at.form->undoStack().undo();
    }
    state.counters["per command ms"] =
        benchmark::Counter(2.0 * state.iterations() / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DuplicateThenUndo)->Arg(10000)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_MoveItem(benchmark::State& state)
{
    ListAt at(static_cast<int>(state.range(0)));
    int offset = 1;
    for (auto _ : state) {
        at.form->moveItem(offset);
        offset = -offset;
    }
}
BENCHMARK(BM_MoveItem)->Arg(10000)->Arg(65526)->Unit(benchmark::kMillisecond);

// Sorting by the location (texts by collation) and by the estimated value (amounts), each pick
// reversing the last.
void BM_SortItems(benchmark::State& state)
{
    ListAt at(static_cast<int>(state.range(0)));
    const int field = static_cast<int>(state.range(1));
    for (auto _ : state)
        at.form->sortItemsBy(field);
}
BENCHMARK(BM_SortItems)
    ->Args({10000, 0})
    ->Args({10000, 7})
    ->Args({65526, 0})
    ->Args({65526, 7})
    ->Unit(benchmark::kMillisecond);

// The order alone, without the list: collation keys or typed values and the stable sort.
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

// Sorting without storing: what the list widget costs.
void BM_SortItemsInMemory(benchmark::State& state)
{
    Setup setup;
    MemorySettingsStore store;
    store.write(kItemsKey, storedList(static_cast<int>(state.range(0))));
    auto form = setup.window(store);
    form->startUp();
    for (auto _ : state)
        form->sortItemsBy(0);
}
BENCHMARK(BM_SortItemsInMemory)->Arg(65526)->Unit(benchmark::kMillisecond);

void BM_StatusLine(benchmark::State& state)
{
    ListAt at(static_cast<int>(state.range(0)));
    for (auto _ : state)
        at.form->updateStatusLine();
}
BENCHMARK(BM_StatusLine)->Arg(10000)->Arg(65526)->Unit(benchmark::kMillisecond);

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
