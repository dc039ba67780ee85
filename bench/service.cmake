# The service's round trip; needs the test bus helpers, so it is built when the tests are.
if(TARGET test_bus_support AND TARGET quellarion AND TARGET smc_sim)
  quellarion_bench(service_bench service_bench.cpp)
  target_link_libraries(service_bench PRIVATE test_bus_support)
  target_compile_definitions(service_bench PRIVATE SMC_SIM_LIBRARY="$<TARGET_FILE:smc_sim>")
  add_dependencies(service_bench quellarion smc_sim)
endif()
