# The dock host's --readings, which makes scripts/capture's pictures the same
# in every run: with a driver that reads 40, 41, 42, ... one a call, three
# readings at once leave the label at 42 while the seconds pass; a clock
# still running would show 43 and on.
file(WRITE ${CMAKE_BINARY_DIR}/readings/steps.txt "temperatures 40 41 42 43 44 45 46 47\n")
add_test(NAME dockhost.readings
         COMMAND dockhost --ini "Z:${CMAKE_BINARY_DIR}/readings/dock.ini" --section Moravel
                 --simulate-gpu "Z:${CMAKE_BINARY_DIR}/readings/steps.txt"
                 --readings 3 --headless --seconds 2)
set_tests_properties(dockhost.readings PROPERTIES LABELS dockhost
    PASS_REGULAR_EXPRESSION "t=2s docklet 1 label \"GPU Temperature: 42 "
    FAIL_REGULAR_EXPRESSION "label \"GPU Temperature: (4[013-7]|-)")
