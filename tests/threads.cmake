# A dock that runs each docklet on a thread of its own: four docklets of the
# module at the same time, round after round.
moravel_test(test_threads threads_test.cpp)
