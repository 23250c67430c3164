# Static checks of the built modules: the 32-bit one is the product.
set(MORAVEL_ENTRY_POINTS
    OnGetInformation OnCreate OnDestroy OnProcessMessage OnSave OnExportFiles)
list(JOIN MORAVEL_ENTRY_POINTS "," MORAVEL_ENTRY_LIST)
set(MORAVEL_WIN32_MODULE "${CMAKE_SOURCE_DIR}/build/win32/bin/MoravelDocklet.dll"
    CACHE FILEPATH "The 32-bit module that the static checks inspect")

add_test(NAME static.module32
         COMMAND modcheck "Z:${MORAVEL_WIN32_MODULE}" --machine i386 --exports ${MORAVEL_ENTRY_LIST})
add_test(NAME static.module64
         COMMAND modcheck $<TARGET_FILE:MoravelDocklet> --machine amd64 --exports ${MORAVEL_ENTRY_LIST})
set_tests_properties(static.module32 static.module64 PROPERTIES LABELS static)
