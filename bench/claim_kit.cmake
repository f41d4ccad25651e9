# Claim kits of 1,000 photo-sized files: writing (with the read-back check) and unpacking, with
# and without a password; prints time and peak memory of each.
add_executable(bench_claim_kit ${CMAKE_CURRENT_SOURCE_DIR}/claim_kit_bench.cpp)
target_link_libraries(bench_claim_kit PRIVATE stowfolio_claim_kit stowfolio_options)
