moravel_test(test_spine spine_test.cpp)
moravel_test(test_no_services no_services_test.cpp NO_SERVICES)
