# Keeping photos with an item: 100 twelve-megapixel JPEGs copied, hashed, read and thumbnailed.
add_executable(bench_attachments ${CMAKE_CURRENT_SOURCE_DIR}/attachments_bench.cpp)
target_link_libraries(bench_attachments PRIVATE stowfolio_evidence stowfolio_options)
