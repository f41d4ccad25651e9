# Restoring a claim kit of 1,000 items, each with a photo of 4 MB, into a fresh inventory
# (`--import kit.zip`); prints the time and peak memory.
add_executable(bench_restore ${CMAKE_CURRENT_SOURCE_DIR}/restore_bench.cpp)
target_link_libraries(bench_restore PRIVATE stowfolio_app stowfolio_claim_kit stowfolio_options)
