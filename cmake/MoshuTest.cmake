include(GoogleTest)

# moshu_add_test(FooTest lib...) builds FooTest.cpp into a test program linked with the given
# libraries and registers each of its test cases with CTest.
function(moshu_add_test name)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE moshu_common ${ARGN} GTest::gmock_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
endfunction()
