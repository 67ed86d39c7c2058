# scourwell-cli: the command-line front end over the core, and its tests, which run it as a
# separate process on fixture machines.

find_package(nlohmann_json 3 REQUIRED)

file(GLOB CLI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/cli/*.cpp)
add_executable(scourwell-cli ${CLI_SOURCES})
set_target_properties(scourwell-cli PROPERTIES AUTOMOC OFF)
target_link_libraries(scourwell-cli PRIVATE scourwell_core nlohmann_json::nlohmann_json)
target_compile_definitions(scourwell-cli PRIVATE SCOURWELL_VERSION="${PROJECT_VERSION}")
add_dependencies(scourwell-cli shipped_data)

file(GLOB CLI_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/cli/*.cpp)
if(CLI_TESTS)
  # The escaping is tested on its own too: the one source of the companion that tests link.
  add_executable(cli_tests ${CLI_TESTS} ${CMAKE_SOURCE_DIR}/tools/cli/escaping.cpp)
  set_target_properties(cli_tests PROPERTIES AUTOMOC OFF)
  target_link_libraries(cli_tests PRIVATE scourwell_test_support nlohmann_json::nlohmann_json
                        GTest::gtest_main)
  target_compile_definitions(cli_tests PRIVATE SCOURWELL_VERSION="${PROJECT_VERSION}")
  add_dependencies(cli_tests scourwell-cli shipped_data)
  gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "SCOURWELL_MACHINE=;QT_QPA_PLATFORM=offscreen")
endif()
