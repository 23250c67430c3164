# The product: 32-bit, for the 32-bit dock hosts; run by the tests under
# the 32-bit Wine (scripts/win32).
set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
