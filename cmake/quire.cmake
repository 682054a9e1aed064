# Helpers that declare every library, test, benchmark and example the same way.
include(CMakeParseArguments)
include(GenerateExportHeader)
include(CMakePackageConfigHelpers)

set(QUIRE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/quire)
set(QUIRE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/quire)
set(QUIRE_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
set_property(GLOBAL PROPERTY QUIRE_COMPONENTS "")

# Install headers given relative to the current source directory under
# include/quire/<dir>/, keeping their sub-folders (internal/ and so on).
function(quire_install_headers dir)
  if(NOT QUIRE_INSTALL)
    return()
  endif()
  foreach(header IN LISTS ARGN)
    get_filename_component(sub ${header} DIRECTORY)
    install(FILES ${header} DESTINATION ${QUIRE_INSTALL_INCLUDEDIR}/${dir}/${sub} COMPONENT dev)
  endforeach()
endfunction()

# quire_library(<name>
#   SOURCES <.cpp...>          compiled into libquire_<name>.so
#   HEADERS <.hpp...>          public headers, installed under include/quire/<name>/
#   DEPS <targets...>          public link dependencies (quire::vtcontrol, gmpxx ...)
#   PRIVATE_DEPS <targets...>  private link dependencies
#   PC_REQUIRES <modules...>   pkg-config modules the .pc file requires
#   PC_REQUIRES_PRIVATE <modules...>
#   COMPONENTS <names...>      other quire components this one needs)
# Declares quire::<name> with export macro QUIRE_<NAME>_EXPORT from
# "<name>/export.hpp", install rules and a pkg-config file quire-<name>.pc.
function(quire_library name)
  cmake_parse_arguments(Q "" ""
    "SOURCES;HEADERS;DEPS;PRIVATE_DEPS;PC_REQUIRES;PC_REQUIRES_PRIVATE;COMPONENTS" ${ARGN})
  set(target quire_${name})
  string(TOUPPER ${name} upper)
  add_library(${target} SHARED ${Q_SOURCES})
  add_library(quire::${name} ALIAS ${target})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME quire_${name}
    EXPORT_NAME ${name}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    # An installed library finds the quire libraries it links beside itself.
    INSTALL_RPATH "$ORIGIN")
  generate_export_header(${target}
    BASE_NAME QUIRE_${upper}
    EXPORT_FILE_NAME ${QUIRE_GENERATED_DIR}/${name}/export.hpp)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<BUILD_INTERFACE:${QUIRE_GENERATED_DIR}>
    $<INSTALL_INTERFACE:${QUIRE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${target} PUBLIC quire::base ${Q_DEPS} PRIVATE ${Q_PRIVATE_DEPS})
  target_compile_features(${target} PUBLIC cxx_std_20)

  if(QUIRE_INSTALL)
    install(TARGETS ${target} EXPORT quire-${name}-targets
      LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
      ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
      RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
    install(EXPORT quire-${name}-targets NAMESPACE quire:: DESTINATION ${QUIRE_INSTALL_CMAKEDIR}
      COMPONENT dev)
  endif()
  quire_install_headers(${name} ${Q_HEADERS})
  if(QUIRE_INSTALL)
    install(FILES ${QUIRE_GENERATED_DIR}/${name}/export.hpp
      DESTINATION ${QUIRE_INSTALL_INCLUDEDIR}/${name} COMPONENT dev)
  endif()

  set(requires "")
  foreach(component IN LISTS Q_COMPONENTS)
    list(APPEND requires quire-${component})
  endforeach()
  list(APPEND requires ${Q_PC_REQUIRES})
  list(JOIN requires ", " PC_REQUIRES)
  list(JOIN Q_PC_REQUIRES_PRIVATE ", " PC_REQUIRES_PRIVATE)
  set(PC_NAME ${name})
  file(RELATIVE_PATH PC_PREFIX_FROM_PCDIR
    ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  set(PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  set(PC_INCLUDEDIR ${QUIRE_INSTALL_INCLUDEDIR})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/quire.pc.in
    ${PROJECT_BINARY_DIR}/pkgconfig/quire-${name}.pc @ONLY)
  if(QUIRE_INSTALL)
    install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/quire-${name}.pc
      DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
  endif()

  set_property(GLOBAL APPEND PROPERTY QUIRE_COMPONENTS ${name})
  set_property(GLOBAL PROPERTY QUIRE_COMPONENT_DEPS_${name} "${Q_COMPONENTS}")
endfunction()

# quire_executable(<name> SOURCES <.cpp...> DEPS <targets...>): the shared
# shape of every test, benchmark, example and fuzzer executable.
function(quire_executable name)
  cmake_parse_arguments(Q "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE ${Q_DEPS})
endfunction()

# quire_test(<name> SOURCES <.cpp...> DEPS <targets...>)
# A GoogleTest executable registered with CTest as one test.
function(quire_test name)
  if(QUIRE_TESTS)
    quire_executable(${name} ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()

# quire_bench(<name> SOURCES <.cpp...> DEPS <targets...>)
# A Google Benchmark executable; `make bench` runs every one of them.
function(quire_bench name)
  if(QUIRE_BENCH)
    quire_executable(${name} ${ARGN} benchmark::benchmark)
    set_property(GLOBAL APPEND PROPERTY QUIRE_BENCHMARKS ${name})
  endif()
endfunction()

# quire_example(<name> SOURCES <.cpp...> DEPS <targets...>), run as a test too.
function(quire_example name)
  if(QUIRE_EXAMPLES)
    quire_executable(${name} ${ARGN})
    if(QUIRE_TESTS)
      add_test(NAME ${name} COMMAND ${name})
    endif()
  endif()
endfunction()

# The package: quire-config.cmake with COMPONENTS, its version file, and the
# header-only base target every component links.
function(quire_install_package)
  get_property(components GLOBAL PROPERTY QUIRE_COMPONENTS)
  set(QUIRE_COMPONENT_DEPS "")
  foreach(component IN LISTS components)
    get_property(deps GLOBAL PROPERTY QUIRE_COMPONENT_DEPS_${component})
    string(APPEND QUIRE_COMPONENT_DEPS "set(_quire_deps_${component} \"${deps}\")\n")
  endforeach()
  set(QUIRE_COMPONENTS "${components}")
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quire-config.cmake.in
    ${PROJECT_BINARY_DIR}/quire-config.cmake
    INSTALL_DESTINATION ${QUIRE_INSTALL_CMAKEDIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/quire-config-version.cmake
    COMPATIBILITY SameMajorVersion)
  if(QUIRE_INSTALL)
    install(FILES ${PROJECT_BINARY_DIR}/quire-config.cmake ${PROJECT_BINARY_DIR}/quire-config-version.cmake
      DESTINATION ${QUIRE_INSTALL_CMAKEDIR} COMPONENT dev)
  endif()
endfunction()

# quire_fuzz(<name> SOURCES <.cpp...> DEPS <targets...>)
# A libFuzzer target, built only with QUIRE_FUZZ=ON under clang.
function(quire_fuzz name)
  if(QUIRE_FUZZ)
    quire_executable(${name} ${ARGN})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY QUIRE_FUZZERS ${name})
  endif()
endfunction()

# Lists of the benchmark and fuzzer executables, for `make bench` and `make fuzz`.
function(quire_write_run_lists)
  foreach(kind BENCHMARKS FUZZERS)
    get_property(targets GLOBAL PROPERTY QUIRE_${kind})
    set(content "")
    foreach(t IN LISTS targets)
      string(APPEND content "$<TARGET_FILE:${t}>\n")
    endforeach()
    string(TOLOWER ${kind} file)
    file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/${file}.txt CONTENT "${content}")
  endforeach()
endfunction()

# quire_add_library_dir(<name> [DEPS ...] [PRIVATE_DEPS ...] [PC_REQUIRES ...]
#                       [PC_REQUIRES_PRIVATE ...] [COMPONENTS ...])
# The usual way to declare a library: everything in the current directory by
# naming convention. *.cpp are the sources, *.hpp (internal/ included) the
# installed headers, each *_test.cpp a test, each *_bench.cpp a benchmark and
# each *_fuzz.cpp a fuzzer; tests, benchmarks and fuzzers link the library.
function(quire_add_library_dir name)
  file(GLOB all_cpp CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} *.cpp internal/*.cpp)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} *.hpp)
  set(sources "")
  set(tests "")
  set(benches "")
  set(fuzzers "")
  foreach(f IN LISTS all_cpp)
    if(f MATCHES "_test\\.cpp$")
      list(APPEND tests ${f})
    elseif(f MATCHES "_bench\\.cpp$")
      list(APPEND benches ${f})
    elseif(f MATCHES "_fuzz\\.cpp$")
      list(APPEND fuzzers ${f})
    else()
      list(APPEND sources ${f})
    endif()
  endforeach()
  list(FILTER headers EXCLUDE REGEX "_(test|bench|fuzz)[^/]*\\.hpp$")
  # fmt.hpp holds the {fmt} formatters: installed only when {fmt} is there.
  if(NOT QUIRE_FMT)
    list(FILTER headers EXCLUDE REGEX "(^|/)fmt\\.hpp$")
  endif()
  quire_library(${name} SOURCES ${sources} HEADERS ${headers} ${ARGN})
  foreach(f IN LISTS tests)
    get_filename_component(exe ${f} NAME_WE)
    if(f MATCHES "_fmt_test\\.cpp$")
      if(QUIRE_FMT)
        quire_test(${exe} SOURCES ${f} DEPS quire::${name} fmt::fmt)
      endif()
    else()
      quire_test(${exe} SOURCES ${f} DEPS quire::${name})
    endif()
  endforeach()
  foreach(f IN LISTS benches)
    get_filename_component(exe ${f} NAME_WE)
    quire_bench(${exe} SOURCES ${f} DEPS quire::${name})
  endforeach()
  foreach(f IN LISTS fuzzers)
    get_filename_component(exe ${f} NAME_WE)
    quire_fuzz(${exe} SOURCES ${f} DEPS quire::${name})
  endforeach()
endfunction()
