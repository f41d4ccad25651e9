# Repainting the preview's viewport over a sheet of 65,526 item rows at every zoom factor, at the
# top, the middle and the end of the picture: prints milliseconds per repaint.
add_executable(bench_preview ${CMAKE_CURRENT_LIST_DIR}/preview_bench.cpp)
target_link_libraries(bench_preview PRIVATE stowfolio_preview stowfolio_options Qt6::Widgets)
