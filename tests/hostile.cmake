moravel_test(test_font_size font_size_test.cpp)
