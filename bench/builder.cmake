# The whole build from the click to the preview's picture, and --export, for 100 to 65,526 items.
add_executable(bench_builder ${CMAKE_CURRENT_LIST_DIR}/builder_bench.cpp)
target_link_libraries(bench_builder PRIVATE
    stowfolio_workbook stowfolio_scripted_prompts Qt6::Gui stowfolio_options)
