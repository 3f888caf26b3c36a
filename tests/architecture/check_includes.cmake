# Include direction, checked over the source tree (cmake -P). The layers, from the bottom:
#   core/ (network, store, search, audio ...): no GUI; may use the row classes of
#       controller/models, and nothing else of controller/, shell/ or service/;
#   controller/models: the row classes, Qt Core only; the same limits as core/;
#   service/ (zephond): may use core/ (the packet reader, writer and cipher of core/network),
#       nothing of controller/ (row classes included) or shell/, no Qt Quick or QML;
#   core/network/wire (zephon_wire): the wire's vocabulary; Qt Core only, no header of the tree;
#   zephon_platform (settings, translator, hot key ... in shell/): no Qt Quick or QML, none
#       of the entry's Quick headers (zephon_shell), nothing of controller/;
#   controller/ and the entry's zephon_shell may use everything below them.
# A header is recognised by its file name, as the sources include it.
#
# Arguments (-D...):
#   SOURCE_DIR       the tree to check
#   PLATFORM_FILES   zephon_platform's sources, |-separated, relative to SOURCE_DIR/shell
#   SHELL_FILES      zephon_shell's sources, the same way
#   LINKS            optional: target=lib,lib,...|... direct link libraries to check:
#                    MODELS_TARGET links Qt6::Core only (and what it needs of its own tree);
#                    every other listed target (core/'s libraries, zephon_platform and
#                    zephon_service) links no Qt6::Qml, Qt6::Quick, zephon_controller,
#                    zephon_shell or zephon_service
#   MODELS_TARGET    the row classes' library (zephon_models)
#   EXPECT           how many violations make a pass (0 unless the tree is a test fixture)
cmake_minimum_required(VERSION 3.25)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT DEFINED EXPECT)
  set(EXPECT 0)
endif()
string(REPLACE "|" ";" PLATFORM_FILES "${PLATFORM_FILES}")
string(REPLACE "|" ";" SHELL_FILES "${SHELL_FILES}")

set(violations 0)
macro(violation text)
  message("include direction: ${text}")
  math(EXPR violations "${violations} + 1")
endmacro()

# Header names by layer.
file(GLOB controller_paths "${SOURCE_DIR}/controller/*.h")
set(controller_headers)
foreach(path IN LISTS controller_paths)
  get_filename_component(name "${path}" NAME)
  list(APPEND controller_headers "${name}")
endforeach()
file(GLOB shell_paths "${SOURCE_DIR}/shell/*.h")
set(shell_headers)
foreach(path IN LISTS shell_paths)
  get_filename_component(name "${path}" NAME)
  list(APPEND shell_headers "${name}")
endforeach()
file(GLOB models_paths "${SOURCE_DIR}/controller/models/*.h")
set(models_headers)
foreach(path IN LISTS models_paths)
  get_filename_component(name "${path}" NAME)
  list(APPEND models_headers "${name}")
endforeach()
file(GLOB service_paths "${SOURCE_DIR}/service/*.h")
set(service_headers)
foreach(path IN LISTS service_paths)
  get_filename_component(name "${path}" NAME)
  list(APPEND service_headers "${name}")
endforeach()
set(shell_quick_headers)
foreach(file IN LISTS SHELL_FILES)
  if(file MATCHES "\\.h$")
    list(APPEND shell_quick_headers "${file}")
  endif()
endforeach()

# Qt Quick and QML: module headers and class headers.
set(quick_regex "^(QtQuick|QtQml|QtQuickWidgets|QtQmlModels)(/|$)|^Q(Quick|Qml|JS)[A-Za-z]*(\\.h)?$")

# check_file(path forbidden-header-list-variable what-they-are): adds to count.
function(check_file path forbidden_var forbidden_what)
  file(STRINGS "${path}" lines REGEX "^[ \t]*#[ \t]*include")
  file(RELATIVE_PATH rel "${SOURCE_DIR}" "${path}")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    get_filename_component(name "${included}" NAME)
    if(name IN_LIST ${forbidden_var})
      message("include direction: ${rel} includes ${included}, one of ${forbidden_what}")
      set(found TRUE)
    elseif(included MATCHES "${quick_regex}")
      message("include direction: ${rel} includes ${included}, a Qt Quick or QML header")
      set(found TRUE)
    endif()
    if(found)
      math(EXPR count "${count} + 1")
      set(found FALSE)
    endif()
  endforeach()
  set(count ${count} PARENT_SCOPE)
endfunction()

set(count 0)

# core/ and controller/models: nothing of controller/ but the row classes, nothing of shell/
# or service/.
set(below_forbidden ${controller_headers} ${shell_headers} ${service_headers})
file(GLOB_RECURSE core_files "${SOURCE_DIR}/core/*.h" "${SOURCE_DIR}/core/*.cpp")
file(GLOB_RECURSE models_files "${SOURCE_DIR}/controller/models/*.h"
  "${SOURCE_DIR}/controller/models/*.cpp")
foreach(path IN LISTS core_files models_files)
  check_file("${path}" below_forbidden "the controller's, the shell's or the service's headers")
endforeach()

# service/: core/ only, nothing of controller/ or shell/.
set(service_forbidden ${controller_headers} ${models_headers} ${shell_headers})
file(GLOB_RECURSE service_files "${SOURCE_DIR}/service/*.h" "${SOURCE_DIR}/service/*.cpp")
foreach(path IN LISTS service_files)
  check_file("${path}" service_forbidden "the controller's, the row classes' or the shell's headers")
endforeach()

# core/network/wire (zephon_wire): the vocabulary both ends share stands on Qt Core alone, so
# it includes no other header of the tree.
file(GLOB_RECURSE tree_headers "${SOURCE_DIR}/*.h")
set(tree_header_names)
foreach(path IN LISTS tree_headers)
  get_filename_component(name "${path}" NAME)
  list(APPEND tree_header_names "${name}")
endforeach()
file(GLOB wire_files "${SOURCE_DIR}/core/network/wire/*.h" "${SOURCE_DIR}/core/network/wire/*.cpp")
foreach(path IN LISTS wire_files)
  file(STRINGS "${path}" lines REGEX "^[ \t]*#[ \t]*include")
  file(RELATIVE_PATH rel "${SOURCE_DIR}" "${path}")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
      get_filename_component(name "${CMAKE_MATCH_1}" NAME)
      get_filename_component(dir "${path}" DIRECTORY)
      if(name IN_LIST tree_header_names AND NOT EXISTS "${dir}/${name}")
        violation("${rel} includes ${CMAKE_MATCH_1}; the wire's vocabulary uses Qt Core only")
      elseif(CMAKE_MATCH_1 MATCHES "^Qt(Gui|Network|Sql|Widgets|Quick|Qml)")
        violation("${rel} includes ${CMAKE_MATCH_1}; the wire's vocabulary uses Qt Core only")
      endif()
    endif()
  endforeach()
endforeach()

# zephon_platform: nothing of controller/, none of the entry's Quick headers.
set(platform_forbidden ${controller_headers} ${shell_quick_headers})
foreach(file IN LISTS PLATFORM_FILES)
  check_file("${SOURCE_DIR}/shell/${file}" platform_forbidden
    "the controller's headers or zephon_shell's Qt Quick headers")
endforeach()
math(EXPR violations "${violations} + ${count}")

# Link libraries.
string(REPLACE "|" ";" link_entries "${LINKS}")
foreach(entry IN LISTS link_entries)
  if(NOT entry MATCHES "^([^=]+)=(.*)$")
    continue()
  endif()
  set(target "${CMAKE_MATCH_1}")
  string(REPLACE "," ";" libs "${CMAKE_MATCH_2}")
  foreach(lib IN LISTS libs)
    if(target STREQUAL MODELS_TARGET)
      if(lib MATCHES "^Qt6::" AND NOT lib STREQUAL "Qt6::Core")
        violation("${target} links ${lib}; the row classes use Qt Core only")
      elseif(lib MATCHES "^zephon_")
        violation("${target} links ${lib}; the row classes use Qt Core only")
      endif()
    elseif(target STREQUAL "zephon_wire" AND NOT lib STREQUAL "Qt6::Core")
      violation("${target} links ${lib}; the wire's vocabulary uses Qt Core only")
    elseif(lib MATCHES "^(Qt6::Qml|Qt6::Quick|zephon_controller|zephon_shell|zephon_service)$")
      violation("${target} links ${lib}")
    endif()
  endforeach()
endforeach()

if(NOT violations EQUAL EXPECT)
  message(FATAL_ERROR "include direction: ${violations} violations, ${EXPECT} expected")
endif()
message("include direction: ${violations} violations, as expected")
