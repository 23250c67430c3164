# How different dock hosts treat the module: unloading and reloading it,
# serving the docklet services from a plug-in library, the calls some hosts
# make, and hosts that lack services.
moravel_test(test_host_reload host_reload_test.cpp)
moravel_test(test_host_plugin host_plugin_test.cpp NO_SERVICES)
add_dependencies(test_host_plugin dockhost_services_library)
moravel_test(test_host_faults host_faults_test.cpp)
add_dependencies(test_host_faults argrecord)
moravel_test(test_host_calls host_calls_test.cpp)

# The short run of the reload soak (bench/host_soak.cpp): five cycles after
# the warm-up, and no growth of GDI objects, USER objects or handles.
add_test(NAME hostsoak.short COMMAND hostsoak --cycles 5 --pump 100 --check)
set_tests_properties(hostsoak.short PROPERTIES LABELS hostsoak)
