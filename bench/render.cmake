# Building the sheet picture of 10 to 65,526 inventory items and repainting the preview's
# viewport from it at 25 %, 100 % and 200 %: prints milliseconds and megabytes.
add_executable(bench_render
    ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/spreadsheet/render/inventory_fixture.h
    ${PROJECT_SOURCE_DIR}/tests/spreadsheet/render/inventory_fixture.cpp)
target_link_libraries(bench_render PRIVATE
    spreadsheet_render inventory_template stowfolio_options Qt6::Gui)

# --render's path on huge used ranges: the limits' refusal and the largest part they allow.
add_executable(bench_render_limits ${CMAKE_CURRENT_LIST_DIR}/render_limits_bench.cpp)
target_link_libraries(bench_render_limits PRIVATE
    spreadsheet_render spreadsheet_biff stowfolio_options Qt6::Gui)
