# Static checks of the built modules and of the zips that scripts/package
# makes from them: the 32-bit module is the product.
set(MORAVEL_ENTRY_POINTS
    OnGetInformation OnCreate OnDestroy OnProcessMessage OnSave OnExportFiles
    OnLeftButtonClick OnDoubleClick OnLeftButtonHeld OnRightButtonClick
    OnConfigure ConfigureDocklet OnAbout AboutDocklet)
list(JOIN MORAVEL_ENTRY_POINTS "," MORAVEL_ENTRY_LIST)
# Docks call either name for the same action.
set(MORAVEL_ENTRY_ALIASES OnDoubleClick,OnLeftButtonHeld)
set(MORAVEL_WIN32_MODULE "${CMAKE_SOURCE_DIR}/build/win32/bin/MoravelDocklet.dll"
    CACHE FILEPATH "The 32-bit module that the static checks inspect")

file(STRINGS ${CMAKE_SOURCE_DIR}/src/config/resource.h MORAVEL_VERSION_LINE REGEX "^#define MORAVEL_VERSION_TEXT ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" MORAVEL_VERSION_TEXT "${MORAVEL_VERSION_LINE}")
set(MORAVEL_PACKAGE_PREFIX "${CMAKE_SOURCE_DIR}/dist/MoravelDocklet-${MORAVEL_VERSION_TEXT}")

# Every imported function is checked against the functions Windows XP SP3 lacks.
set(MORAVEL_CHECKS --exports ${MORAVEL_ENTRY_LIST} --same-address ${MORAVEL_ENTRY_ALIASES}
    --xp "Z:${CMAKE_SOURCE_DIR}/tools/modcheck/newer-than-xp.txt")
add_test(NAME static.module32
         COMMAND modcheck "Z:${MORAVEL_WIN32_MODULE}" --machine i386 ${MORAVEL_CHECKS})
add_test(NAME static.module64
         COMMAND modcheck $<TARGET_FILE:MoravelDocklet> --machine amd64 ${MORAVEL_CHECKS})
add_test(NAME static.package32
         COMMAND modcheck --zip "Z:${MORAVEL_PACKAGE_PREFIX}-win32.zip" --machine i386 ${MORAVEL_CHECKS})
add_test(NAME static.package64
         COMMAND modcheck --zip "Z:${MORAVEL_PACKAGE_PREFIX}-win64.zip" --machine amd64 ${MORAVEL_CHECKS})
# A package whose module was damaged after packing must fail, naming the module.
add_test(NAME static.damage32
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/damage-zip.sh "${MORAVEL_PACKAGE_PREFIX}-win32.zip"
                 "${CMAKE_BINARY_DIR}/damaged-win32.zip")
add_test(NAME static.damaged32
         COMMAND modcheck --zip "Z:${CMAKE_BINARY_DIR}/damaged-win32.zip" --machine i386 ${MORAVEL_CHECKS})
set_tests_properties(static.damage32 PROPERTIES FIXTURES_SETUP damaged32)
set_tests_properties(static.damaged32 PROPERTIES FIXTURES_REQUIRED damaged32 PASS_REGULAR_EXPRESSION
    "FAIL: MoravelDocklet/MoravelDocklet.dll cannot be read from the package: its (deflated data is damaged|CRC-32)")
set_tests_properties(static.module32 static.module64 static.package32 static.package64 static.damage32 static.damaged32
                     PROPERTIES LABELS static)

# The package reader on its own: DEFLATE streams whole and damaged, and the
# 32-bit package with its module's data damaged in memory.
add_executable(test_zip zip_test.cpp ${CMAKE_SOURCE_DIR}/tools/modcheck/zip.cpp)
target_include_directories(test_zip PRIVATE ${CMAKE_SOURCE_DIR}/tools/modcheck)
target_compile_definitions(test_zip PRIVATE MORAVEL_PACKAGE32="Z:${MORAVEL_PACKAGE_PREFIX}-win32.zip")
target_link_libraries(test_zip PRIVATE gtest_main)
target_compile_options(test_zip PRIVATE ${MORAVEL_WARNINGS})
gtest_discover_tests(test_zip DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "static.zip."
                     PROPERTIES LABELS static)
