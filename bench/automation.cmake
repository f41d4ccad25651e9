# The builder's sequence of automation calls (open the template, eight owner cells, grow the item
# block, write C items of twelve cells, delete the spare row, save) for C = 100 to 65,526: prints
# time and peak memory of each case.
add_executable(bench_automation
    ${CMAKE_CURRENT_LIST_DIR}/automation_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/spreadsheet/automation/builder_sequence.h)
target_link_libraries(bench_automation PRIVATE spreadsheet_automation stowfolio_options)
target_compile_definitions(bench_automation PRIVATE
    STOWFOLIO_TEMPLATE_PATH="${PROJECT_SOURCE_DIR}/resources/template.xlt")
