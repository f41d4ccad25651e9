# Editing with a long item list: start-up, typing, edits, Add, Delete, Undo, Move and Sort at
# 1,000 and 65,526 items, each with what it stores.
add_executable(bench_editing ${CMAKE_CURRENT_SOURCE_DIR}/editing_bench.cpp)
target_link_libraries(bench_editing PRIVATE stowfolio_app benchmark::benchmark stowfolio_options)
