# Generated font faces (renamed copies of the prefix's Tahoma) for the tests
# and the benchmarks, and the Font page's face list tested with them.
add_library(test_fontgen STATIC support/fontgen.cpp)
target_include_directories(test_fontgen PUBLIC support)
target_link_libraries(test_fontgen PUBLIC gdi32 user32)
target_compile_options(test_fontgen PRIVATE ${MORAVEL_WARNINGS})

moravel_test(test_font_faces font_faces_test.cpp)
target_link_libraries(test_font_faces PRIVATE test_fontgen)
