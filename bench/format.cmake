# Formatted output: sprintf_s and swprintf_s against the C library and fmt.
find_package(fmt REQUIRED)
quellarion_bench(format_bench ${CMAKE_CURRENT_LIST_DIR}/format_bench.cpp)
target_link_libraries(format_bench PRIVATE fmt::fmt)
