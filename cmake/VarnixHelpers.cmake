# Every layer is one static library made of the sources in its folder, so adding a file
# needs no edit here. Dependencies point down only (see the layer list in the design notes).
function(varnix_layer name)
  cmake_parse_arguments(L "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(ex IN LISTS L_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${ex}$")
  endforeach()
  if(NOT sources)
    # A layer of headers only, so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()

# One GoogleTest executable per test folder: every *_test.cpp in it.
function(varnix_test_folder name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# A short libFuzzer run as a CTest test of the same name: `name` is built with the clang that
# tests/dirlex found (DIRLEX_FUZZ_CXX) from FUZZER and SOURCES under AddressSanitizer and
# UBSan, and run for 20 seconds from SEEDS into a scratch corpus in the build tree.
function(varnix_short_fuzz name)
  cmake_parse_arguments(F "" "FUZZER;SEEDS" "SOURCES;DEPENDS" ${ARGN})
  set(bin ${CMAKE_BINARY_DIR}/bin/${name})
  add_custom_command(OUTPUT ${bin}
                     COMMAND ${DIRLEX_FUZZ_CXX} -std=c++20 -O1 -g -fno-omit-frame-pointer
                             -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
                             -I${PROJECT_SOURCE_DIR}/src ${F_FUZZER} ${F_SOURCES} -o ${bin}
                     DEPENDS ${F_FUZZER} ${F_SOURCES} ${F_DEPENDS}
                     COMMENT "Building ${name} with ${DIRLEX_FUZZ_CXX}"
                     VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${bin})
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DFUZZER=${bin} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${name}_work
                   -DSEEDS=${F_SEEDS} -P ${PROJECT_SOURCE_DIR}/tests/dirlex/run_fuzz_short.cmake)
  set_tests_properties(${name} PROPERTIES TIMEOUT 60)
endfunction()
