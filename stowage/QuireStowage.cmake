# Embedding files in a program at build time, and reserving dummy space.
#
#   quire_embed_file(<target> <NAME> <path> [NAMESPACE <ns>])
#   quire_embed_file_if_exists(<target> <NAME> <path> [NAMESPACE <ns>])
#   quire_embed_one_file_of(<target> <NAME> <path>... [NAMESPACE <ns>])
#   quire_embed_string_file(<target> <NAME> <path> [NAMESPACE <ns>])
#   quire_embed_one_string_file_of(<target> <NAME> <path>... [NAMESPACE <ns>])
#   quire_embed_dir(<target> <NAME> <root> [NAMESPACE <ns>])
#   quire_embed_dir_listing(<target> <NAME> <root> [NAMESPACE <ns>])
#   quire_dummy_space(<target> <NAME> <capacity> [SUFFIX <s>] [NAMESPACE <ns>])
#
# Each call adds generated code to <target>: the header "embedded/<NAME>.hpp"
# declares <ns>::<NAME>() (ns defaults to embedded), a source defines it,
# and a second source that includes nothing holds the bytes of large files.
# Relative paths are taken from the current source directory. The generator
# runs during the build and tells it every file and directory it read, so
# that changing an embedded file rebuilds just the object holding it, and
# adding a file to an embedded tree regenerates it. The target is linked
# with quire::stowage. Call the functions in the directory that defines the
# target (generated sources belong to the directory that generates them);
# elsewhere, embed into an OBJECT library there and link that instead.
include_guard(GLOBAL)

function(_quire_stowage_add target kind name)
  cmake_parse_arguments(PARSE_ARGV 3 _qs "" "NAMESPACE;SUFFIX" "")
  if(NOT TARGET ${target})
    message(FATAL_ERROR "quire stowage: no target named ${target}")
  endif()
  if(NOT name MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "quire stowage: ${name} is not a C++ identifier")
  endif()
  set(ns embedded)
  if(DEFINED _qs_NAMESPACE)
    if(NOT _qs_NAMESPACE MATCHES "^[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*$")
      message(FATAL_ERROR "quire stowage: ${_qs_NAMESPACE} is not a C++ namespace name")
    endif()
    set(ns ${_qs_NAMESPACE})
  endif()
  get_property(names TARGET ${target} PROPERTY QUIRE_STOWAGE_NAMES)
  if(name IN_LIST names)
    message(FATAL_ERROR "quire stowage: ${target} already has an embedded ${name}")
  endif()
  set_property(TARGET ${target} APPEND PROPERTY QUIRE_STOWAGE_NAMES ${name})

  set(args "")
  foreach(arg IN LISTS _qs_UNPARSED_ARGUMENTS)
    if(NOT kind STREQUAL "dummy-space")
      get_filename_component(arg "${arg}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    list(APPEND args "${arg}")
  endforeach()
  set(options "")
  if(DEFINED _qs_SUFFIX)
    set(options --suffix "${_qs_SUFFIX}")
  endif()

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/quire_stowage/${target})
  set(header ${dir}/include/embedded/${name}.hpp)
  set(source ${dir}/${name}.cpp)
  set(data ${dir}/${name}_data.cpp)
  add_custom_command(OUTPUT ${header} ${source} ${data}
    COMMAND quire::stowage-gen ${kind} --name ${name} --namespace ${ns}
            --include embedded/${name}.hpp --header ${header} --source ${source} --data-source ${data}
            --depfile ${dir}/${name}.d ${options} -- ${args}
    DEPENDS quire::stowage-gen
    DEPFILE ${dir}/${name}.d
    COMMENT "Embedding ${name} in ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${header} ${source} ${data})
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${dir}/include>)

  get_property(linked TARGET ${target} PROPERTY QUIRE_STOWAGE_LINKED)
  if(NOT linked)
    # Through the property rather than target_link_libraries, which would
    # clash with whichever signature the caller uses for this target.
    set_property(TARGET ${target} PROPERTY QUIRE_STOWAGE_LINKED TRUE)
    set_property(TARGET ${target} APPEND PROPERTY LINK_LIBRARIES quire::stowage)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "OBJECT_LIBRARY")
      set_property(TARGET ${target} APPEND PROPERTY INTERFACE_LINK_LIBRARIES $<LINK_ONLY:quire::stowage>)
    endif()
  endif()
endfunction()

function(_quire_stowage_one_path function target name)
  cmake_parse_arguments(PARSE_ARGV 3 _qs "" "NAMESPACE;SUFFIX" "")
  list(LENGTH _qs_UNPARSED_ARGUMENTS count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${function}(${target} ${name} ...): expects exactly one path")
  endif()
endfunction()

function(quire_embed_file target name path)
  _quire_stowage_one_path(quire_embed_file ${target} ${name} ${path} ${ARGN})
  _quire_stowage_add(${target} file ${name} ${path} ${ARGN})
endfunction()

function(quire_embed_file_if_exists target name path)
  _quire_stowage_one_path(quire_embed_file_if_exists ${target} ${name} ${path} ${ARGN})
  _quire_stowage_add(${target} file-if-exists ${name} ${path} ${ARGN})
endfunction()

function(quire_embed_one_file_of target name)
  _quire_stowage_add(${target} one-file-of ${name} ${ARGN})
endfunction()

function(quire_embed_string_file target name path)
  _quire_stowage_one_path(quire_embed_string_file ${target} ${name} ${path} ${ARGN})
  _quire_stowage_add(${target} string-file ${name} ${path} ${ARGN})
endfunction()

function(quire_embed_one_string_file_of target name)
  _quire_stowage_add(${target} one-string-file-of ${name} ${ARGN})
endfunction()

function(quire_embed_dir target name root)
  _quire_stowage_one_path(quire_embed_dir ${target} ${name} ${root} ${ARGN})
  _quire_stowage_add(${target} dir ${name} ${root} ${ARGN})
endfunction()

function(quire_embed_dir_listing target name root)
  _quire_stowage_one_path(quire_embed_dir_listing ${target} ${name} ${root} ${ARGN})
  _quire_stowage_add(${target} dir-listing ${name} ${root} ${ARGN})
endfunction()

function(quire_dummy_space target name capacity)
  if(NOT capacity MATCHES "^[0-9]+$")
    message(FATAL_ERROR "quire_dummy_space(${target} ${name} ${capacity}): capacity must be a number of bytes")
  endif()
  _quire_stowage_add(${target} dummy-space ${name} ${capacity} ${ARGN})
endfunction()
