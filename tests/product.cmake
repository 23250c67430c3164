# The module as a dock built with Microsoft's compiler runs it
# (product_test.cpp). Both builds make the program; the 64-bit suite runs its
# own and, under the 32-bit Wine (scripts/win32), the 32-bit build's: the
# product users install.
moravel_test(test_product product_test.cpp)

if(MORAVEL_DEV_TOOLS)
    set(MORAVEL_WIN32_PRODUCT_TEST "${CMAKE_SOURCE_DIR}/build/win32/bin/test_product.exe"
        CACHE FILEPATH "The 32-bit build of the product test")
    add_test(NAME product32 COMMAND ${CMAKE_SOURCE_DIR}/scripts/win32 run ${MORAVEL_WIN32_PRODUCT_TEST})
    set_tests_properties(product32 PROPERTIES LABELS product32 TIMEOUT 600)
endif()
