# Memory functions against the C library's memcpy and memset.
quellarion_bench(mem_bench ${CMAKE_CURRENT_LIST_DIR}/mem_bench.cpp)
