# What the fuzz programs found, kept as table rows.
moravel_test(test_settings_round_trip settings_round_trip_test.cpp)
