# The dialogs on a small, scaled desktop: one run of the whole program at each
# DPI, on the 1366 x 768 screen with a reduced work area that
# scripts/ctest-desktop sets up. The main run leaves them out (label desktop):
# its screen is another one.
add_executable(test_desktop desktop_test.cpp $<TARGET_OBJECTS:dockhost_services>)
target_link_libraries(test_desktop PRIVATE test_harness gtest_main)
target_compile_options(test_desktop PRIVATE ${MORAVEL_WARNINGS})
add_dependencies(test_desktop MoravelDocklet simgpu)
foreach(dpi 96 120 144)
    add_test(NAME desktop.dpi${dpi} COMMAND ${CMAKE_SOURCE_DIR}/scripts/at-dpi ${dpi} $<TARGET_FILE:test_desktop>)
    # The DPI is the prefix's own setting: nothing else may run meanwhile.
    set_tests_properties(desktop.dpi${dpi} PROPERTIES LABELS desktop RUN_SERIAL TRUE)
endforeach()
