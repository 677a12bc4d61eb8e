# The tests of the Windows build: GoogleTest programs of the folders whose
# tests need no database (core, json, activity, rest, http), built with
# GoogleTest from Debian's sources and run under Wine by
# scripts/windows/run-wine-tests.py, which reads each program's summary
# (Wine reports a crashed program as a success). The database tests, the
# window and the end-to-end scripts need a Windows machine with Firebird.
set(FIELDSYNC_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian's googletest package)")
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
# GoogleTest's own code is not held to the project's warnings.
add_subdirectory(${FIELDSYNC_GOOGLETEST_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -w)
  if(NOT TARGET GTest::${target})
    add_library(GTest::${target} ALIAS ${target})
  endif()
endforeach()

add_library(fieldsync_test_support INTERFACE)
target_link_libraries(fieldsync_test_support INTERFACE core)

# fieldsync_add_test(name LIBS lib... SOURCES src... [...]): one GoogleTest
# program; its list of cases is the runner's to take.
function(fieldsync_add_test name)
  cmake_parse_arguments(T "" "EMBEDDED_CASES" "LIBS;SOURCES;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/TestEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} fieldsync_test_support GTest::gtest GTest::gmock GTest::gtest_main
                                        Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    FIELDSYNC_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}" FIELDSYNC_TEST_DIST_DIR="${FIELDSYNC_DIST_DIR}"
    FIELDSYNC_TEST_BINARY_DIR="$<TARGET_FILE_DIR:${name}>")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wine-tests)
endfunction()

fieldsync_add_test(core_tests LIBS core SOURCES core/Text_test.cpp core/NumberText_test.cpp core/Error_test.cpp
  core/Platform_test.cpp core/Currency_test.cpp core/Regional_test.cpp core/ServiceLog_test.cpp)
fieldsync_add_test(json_tests LIBS json SOURCES json/JSONValue_test.cpp json/JSONNumberText_test.cpp
  json/JSONParser_test.cpp json/JSONString_test.cpp json/TableMemoryBudget_test.cpp json/DBXJSONTools_test.cpp)
fieldsync_add_test(activity_tests LIBS activity SOURCES activity/RequestRecord_test.cpp activity/ActivityLog_test.cpp
  activity/RequestMetrics_test.cpp activity/ActivityReport_test.cpp activity/RepresentativeNames_test.cpp
  activity/SyncKinds_test.cpp)
fieldsync_add_test(rest_tests LIBS rest SOURCES rest/DSScheduler_test.cpp rest/DSSession_test.cpp
  rest/DSRESTGrammar_test.cpp rest/DSHTTPServer_test.cpp rest/DSRequestFilter_test.cpp rest/DSOutputFilters_test.cpp
  rest/DSCachedResults_test.cpp rest/DSJSONContext_test.cpp rest/DSSharedReads_test.cpp)
fieldsync_add_test(http_tests LIBS http SOURCES http/TestClient.cpp http/TestSocketWindows.cpp http/ListenerFixture.cpp
  http/HTTPWebBrokerBridge_test.cpp http/HTTPWebBrokerBridgeConnections_test.cpp
  http/HTTPWebBrokerBridgeRequestLimits_test.cpp http/HttpRequestReader_test.cpp http/DispatchWorkers_test.cpp
  http/HttpParsing_test.cpp http/WebResponse_test.cpp http/WebModuleUnit1_test.cpp http/WebRequest_test.cpp
  http/WebFileDispatcher_test.cpp http/CallerOrigin_test.cpp http/AccessLog_test.cpp
  http/AddressAllowList_test.cpp http/GzipEncoding_test.cpp http/CommaLocale_test.cpp http/SharedReads_test.cpp
  http/DSProxyDispatcher_test.cpp)
fieldsync_add_test(clientgen_tests LIBS clientgen SOURCES clientgen/DSProxyGenerator_test.cpp
  clientgen/ClientWriters_test.cpp clientgen/ZipDirectory_test.cpp)
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
foreach(target http_tests clientgen_tests)
  target_compile_definitions(${target} PRIVATE ZIP_STATIC)
endforeach()
set_property(TARGET PkgConfig::LIBZIP APPEND PROPERTY INTERFACE_LINK_LIBRARIES ZLIB::ZLIB bcrypt advapi32)
target_link_libraries(http_tests PRIVATE PkgConfig::LIBZIP ws2_32)
target_link_libraries(clientgen_tests PRIVATE PkgConfig::LIBZIP)
target_compile_options(http_tests PRIVATE -Wno-restrict)
