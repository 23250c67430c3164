# Fuzz programs: the real module in a host process against generated INI
# sections and driver answers, from fixed seeds. ./test runs their short
# modes under Wine's heap checks (any heap warning fails the run); the full
# modes run alone (see tools/fuzz).
add_library(fuzz_support STATIC ${CMAKE_SOURCE_DIR}/tools/fuzz/fuzz_support.cpp)
target_include_directories(fuzz_support PUBLIC ${CMAKE_SOURCE_DIR}/tools/fuzz ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(fuzz_support PUBLIC test_record dockhost_dock psapi)
target_compile_options(fuzz_support PRIVATE ${MORAVEL_WARNINGS})

function(moravel_fuzz name source)
    add_executable(${name} ${CMAKE_SOURCE_DIR}/tools/fuzz/${source} $<TARGET_OBJECTS:dockhost_services>)
    target_link_libraries(${name} PRIVATE fuzz_support)
    target_compile_options(${name} PRIVATE ${MORAVEL_WARNINGS} -municode)
    target_link_options(${name} PRIVATE -municode)
    add_dependencies(${name} MoravelDocklet simgpu)
    add_test(NAME fuzz.${name}.short COMMAND ${name} --short)
    set_tests_properties(fuzz.${name}.short PROPERTIES LABELS "${name};fuzz" ENVIRONMENT "WINEDEBUG=warn+heap"
                         FAIL_REGULAR_EXPRESSION ":heap:")
endfunction()

moravel_fuzz(fuzz_ini ini_fuzz.cpp)
moravel_fuzz(fuzz_driver driver_fuzz.cpp)
add_dependencies(fuzz_driver simgpu_nolookup)

# What the fuzz programs found, kept as table rows.
moravel_test(test_settings_round_trip settings_round_trip_test.cpp)
moravel_test(test_driver_extremes driver_extremes_test.cpp render_support.cpp)
