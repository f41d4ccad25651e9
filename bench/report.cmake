# The insurer's report as PDF, with and without photos, up to 65,526 items, and with
# attachments (JPEG photos and a PDF receipt; HEIC photos made with libheif's encoder).
pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
add_executable(bench_report ${CMAKE_CURRENT_SOURCE_DIR}/report_bench.cpp)
target_link_libraries(bench_report PRIVATE
    stowfolio_report stowfolio_workbook benchmark::benchmark stowfolio_options PkgConfig::HEIF)
