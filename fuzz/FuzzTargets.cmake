# libFuzzer targets: the request reader, the dispatch of one request, the settings store parser,
# the path resolver and the input record handler. Built only by scripts/ci-fuzz.sh (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer), which adds this file to the project's build
# through FuzzHook.cmake.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "fuzz/: libFuzzer targets need clang (configure with CMAKE_CXX_COMPILER=clang++)")
endif()

# The targets and the files they serve as web content live in a folder of their own, which is the
# program folder of every target.
set(KELVANE_FUZZ_SOURCE ${CMAKE_CURRENT_LIST_DIR})
set(KELVANE_FUZZ_BIN ${CMAKE_BINARY_DIR}/fuzz/bin)
file(COPY ${KELVANE_FUZZ_SOURCE}/programfolder/ DESTINATION ${KELVANE_FUZZ_BIN})

add_library(kelvane_fuzz_support STATIC ${KELVANE_FUZZ_SOURCE}/support/FuzzSocket.cpp
  ${KELVANE_FUZZ_SOURCE}/support/SandboxFolders.cpp)
target_include_directories(kelvane_fuzz_support PUBLIC ${KELVANE_FUZZ_SOURCE})

# kelvane_add_fuzzer(NAME SOURCES... LIBS...) builds one libFuzzer program into the fuzz bin folder.
function(kelvane_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  list(TRANSFORM ARG_SOURCES PREPEND ${KELVANE_FUZZ_SOURCE}/)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kelvane_fuzz_support ${ARG_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KELVANE_FUZZ_BIN})
  set_property(GLOBAL APPEND PROPERTY KELVANE_FUZZERS ${name})
endfunction()

kelvane_add_fuzzer(request_reader_fuzzer SOURCES RequestReaderFuzzer.cpp LIBS kelvane_net)

# The dispatch reaches every command; it needs the file commands and the settings store.
if(TARGET kelvane_commands AND TARGET kelvane_settings)
  kelvane_add_fuzzer(dispatch_fuzzer SOURCES DispatchFuzzer.cpp
    LIBS kelvane_http kelvane_commands kelvane_settings kelvane_ui_app kelvane_net kelvane_platform)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/platform/linux/RegistryFileFormat.cpp AND TARGET kelvane_settings)
  kelvane_add_fuzzer(settings_store_fuzzer SOURCES SettingsStoreFuzzer.cpp LIBS kelvane_settings kelvane_platform)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/platform/FileSystem.h)
  kelvane_add_fuzzer(path_resolver_fuzzer SOURCES PathResolverFuzzer.cpp LIBS kelvane_platform)
endif()

if(TARGET kelvane_remote)
  kelvane_add_fuzzer(input_record_fuzzer SOURCES InputRecordFuzzer.cpp LIBS kelvane_remote kelvane_net)
endif()

get_property(fuzzers GLOBAL PROPERTY KELVANE_FUZZERS)
add_custom_target(kelvane_fuzzers DEPENDS ${fuzzers})
# The list of built targets, read by scripts/ci-fuzz.sh.
file(GENERATE OUTPUT ${KELVANE_FUZZ_BIN}/fuzzers.txt CONTENT "$<JOIN:${fuzzers},\n>\n")
