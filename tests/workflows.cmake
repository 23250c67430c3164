# The GitHub workflows (CI and release) parse as YAML, and every script of
# the checkout that they run exists and is executable. Runs on the build
# machine itself (python3-yaml, installed by scripts/setup).
add_test(NAME workflows COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/workflows.py ${CMAKE_SOURCE_DIR})
set_tests_properties(workflows PROPERTIES LABELS workflows)
