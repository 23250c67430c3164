moravel_test(test_spine spine_test.cpp)
moravel_test(test_no_services no_services_test.cpp NO_SERVICES)
moravel_test(test_settings settings_test.cpp)
moravel_test(test_lifecycle lifecycle_test.cpp)
