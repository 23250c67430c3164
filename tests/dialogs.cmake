add_executable(argrecord support/argrecord.cpp)
target_compile_options(argrecord PRIVATE ${MORAVEL_WARNINGS} -municode)
target_link_options(argrecord PRIVATE -municode)

moravel_test(test_menu menu_test.cpp)
add_dependencies(test_menu argrecord)
target_link_libraries(test_menu PRIVATE ole32)
moravel_test(test_sheet sheet_test.cpp about_test.cpp)
moravel_test(test_pages pages_test.cpp)
