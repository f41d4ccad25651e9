# Reading the template and writing workbooks of 1,000 to 65,000 filled rows: prints time and
# peak memory of each case.
add_executable(bench_file_layer ${CMAKE_CURRENT_LIST_DIR}/file_layer_bench.cpp)
target_link_libraries(bench_file_layer PRIVATE spreadsheet_biff stowfolio_options)
target_compile_definitions(bench_file_layer PRIVATE
    STOWFOLIO_TEMPLATE_PATH="${PROJECT_SOURCE_DIR}/resources/template.xlt")
