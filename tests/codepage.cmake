# The same cases under the code pages a dock meets most, the Western and
# Cyrillic ones and the East Asian ones whose characters take two bytes:
# Wine takes the ANSI code page from the process's locale.
add_executable(test_codepage codepage_test.cpp $<TARGET_OBJECTS:dockhost_services>)
target_link_libraries(test_codepage PRIVATE test_harness gtest_main)
target_compile_options(test_codepage PRIVATE ${MORAVEL_WARNINGS})
add_dependencies(test_codepage MoravelDocklet simgpu)
gtest_discover_tests(test_codepage DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "cp1252."
    PROPERTIES LABELS test_codepage ENVIRONMENT "LC_ALL=C.UTF-8")
gtest_discover_tests(test_codepage DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "cp1251."
    PROPERTIES LABELS test_codepage ENVIRONMENT "LC_ALL=ru_RU.UTF-8")
gtest_discover_tests(test_codepage DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "cp932."
    PROPERTIES LABELS test_codepage ENVIRONMENT "LC_ALL=ja_JP.UTF-8")
gtest_discover_tests(test_codepage DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "cp936."
    PROPERTIES LABELS test_codepage ENVIRONMENT "LC_ALL=zh_CN.UTF-8")
gtest_discover_tests(test_codepage DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "cp949."
    PROPERTIES LABELS test_codepage ENVIRONMENT "LC_ALL=ko_KR.UTF-8")
