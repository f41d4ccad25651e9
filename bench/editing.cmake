# Editing with a long item list: start-up restore, Add and Delete at 10,000 rows.
add_executable(bench_editing ${CMAKE_CURRENT_SOURCE_DIR}/editing_bench.cpp)
target_link_libraries(bench_editing PRIVATE stowfolio_app benchmark::benchmark stowfolio_options)
