# The module as a dock built with Microsoft's compiler runs it. The 64-bit
# program runs here; the 32-bit one is built by the win32 preset and run
# under the 32-bit Wine (see tests/product32.cmake).
moravel_test(test_product product_test.cpp)
