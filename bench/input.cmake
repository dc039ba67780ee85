# Formatted input: fscanf_s and swscanf_s against the C library's fscanf and swscanf.
quellarion_bench(input_bench ${CMAKE_CURRENT_LIST_DIR}/input_bench.cpp)
