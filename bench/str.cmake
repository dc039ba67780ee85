# String functions against the C library's strcpy and strcat.
quellarion_bench(str_bench ${CMAKE_CURRENT_LIST_DIR}/str_bench.cpp)
