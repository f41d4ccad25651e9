# Items in and out: CSV export and import, and reopening a saved workbook, at 65,526 items.
add_executable(bench_import ${CMAKE_CURRENT_SOURCE_DIR}/import_bench.cpp)
target_link_libraries(bench_import PRIVATE stowfolio_workbook benchmark::benchmark stowfolio_options)
