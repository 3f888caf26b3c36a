# Include direction, checked over the source tree (cmake -P). The layers, from the bottom:
#   core/ (trace, pinyin, network, store, search, audio ...): no GUI; may use the row classes
#       of controller/models, and nothing of the rest of controller/, of platform/, shell/ or
#       service/;
#   controller/models: the row classes, Qt Core only; the same limits as core/;
#   core/network/wire (zephon_wire): the wire's vocabulary; Qt Core only, no header of the tree;
#   platform/ (zephon_platform: settings, translator, single instance, signal watcher): Qt Core
#       only; may use core/, nothing of controller/, shell/ or service/, nor of platform's own
#       Qt Gui libraries in its subfolders (the hot key in platform/hotkey);
#   platform/<sub>/ (zephon_hotkey ...): Qt Gui but no Qt Quick or QML; may use core/ and
#       platform/, nothing of controller/, shell/ or service/;
#   service/ (zephond): may use core/ and the Qt-Core-only platform/, nothing of controller/
#       (row classes included), shell/ or platform's Qt Gui libraries, no Qt Quick or QML;
#   controller/: may use everything below, nothing of shell/ or service/;
#   shell/ (the entry and its Qt Quick items): may use everything.
# A header is recognised by its file name, as the sources include it.
#
# Arguments (-D...):
#   SOURCE_DIR   the tree to check
#   LINKS        optional: layer:target=lib,lib,...|... the direct link libraries of targets,
#                with the layer each target belongs to (models, core, platform, platform-gui,
#                service, controller, shell). Targets of controller and shell are listed only so
#                that links to them are known. A target may link the targets of the layers
#                below it as above; models links Qt6::Core only; core, platform and service
#                link no Qt Gui, Widgets, Quick or QML; platform-gui no Quick or QML.
#   EXPECT       how many violations make a pass (0 unless the tree is a test fixture)
cmake_minimum_required(VERSION 3.25)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT DEFINED EXPECT)
  set(EXPECT 0)
endif()

set(violations 0)
macro(violation text)
  message("include direction: ${text}")
  math(EXPR violations "${violations} + 1")
endmacro()

# header_names(out glob...): the file names of the headers the globs find.
function(header_names out)
  file(GLOB paths ${ARGN})
  set(names)
  foreach(path IN LISTS paths)
    get_filename_component(name "${path}" NAME)
    list(APPEND names "${name}")
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Header names by layer.
header_names(controller_headers "${SOURCE_DIR}/controller/*.h")
header_names(models_headers "${SOURCE_DIR}/controller/models/*.h")
header_names(shell_headers "${SOURCE_DIR}/shell/*.h")
header_names(service_headers "${SOURCE_DIR}/service/*.h")
header_names(platform_headers "${SOURCE_DIR}/platform/*.h")
header_names(platform_gui_headers "${SOURCE_DIR}/platform/*/*.h")

# Qt Quick and QML: module headers and class headers.
set(quick_regex "^(QtQuick|QtQml|QtQuickWidgets|QtQmlModels)(/|$)|^Q(Quick|Qml|JS)[A-Za-z]*(\\.h)?$")

# check_files(forbidden-header-list-variable what-they-are quick-too GLOB|GLOB_RECURSE glob...):
# every source the globs find includes none of the forbidden headers, nor (when quick-too) Qt
# Quick or QML.
function(check_files forbidden_var forbidden_what quick_too glob_mode)
  file(${glob_mode} paths ${ARGN})
  foreach(path IN LISTS paths)
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
        math(EXPR count "${count} + 1")
      elseif(quick_too AND included MATCHES "${quick_regex}")
        message("include direction: ${rel} includes ${included}, a Qt Quick or QML header")
        math(EXPR count "${count} + 1")
      endif()
    endforeach()
  endforeach()
  set(count ${count} PARENT_SCOPE)
endfunction()

set(count 0)

# core/ and controller/models: nothing of controller/ but the row classes, nothing of
# platform/, shell/ or service/.
set(below_forbidden ${controller_headers} ${platform_headers} ${platform_gui_headers}
  ${shell_headers} ${service_headers})
check_files(below_forbidden
  "the controller's, the platform's, the shell's or the service's headers" TRUE GLOB_RECURSE
  "${SOURCE_DIR}/core/*.h" "${SOURCE_DIR}/core/*.cpp"
  "${SOURCE_DIR}/controller/models/*.h" "${SOURCE_DIR}/controller/models/*.cpp")

# platform/: nothing of controller/ (row classes included), shell/ or service/; its
# Qt-Core-only library nothing of the Qt Gui ones in its subfolders.
set(platform_forbidden ${controller_headers} ${models_headers} ${shell_headers}
  ${service_headers} ${platform_gui_headers})
check_files(platform_forbidden
  "the controller's, the shell's, the service's or platform's Qt Gui headers" TRUE GLOB
  "${SOURCE_DIR}/platform/*.h" "${SOURCE_DIR}/platform/*.cpp")
set(platform_gui_forbidden ${controller_headers} ${models_headers} ${shell_headers}
  ${service_headers})
check_files(platform_gui_forbidden "the controller's, the shell's or the service's headers" TRUE
  GLOB_RECURSE "${SOURCE_DIR}/platform/*/*.h" "${SOURCE_DIR}/platform/*/*.cpp")

# service/: core/ and the Qt-Core-only platform/; nothing of controller/, shell/ or platform's
# Qt Gui libraries.
set(service_forbidden ${controller_headers} ${models_headers} ${shell_headers}
  ${platform_gui_headers})
check_files(service_forbidden
  "the controller's, the row classes', the shell's or platform's Qt Gui headers" TRUE GLOB_RECURSE
  "${SOURCE_DIR}/service/*.h" "${SOURCE_DIR}/service/*.cpp")

# controller/: nothing of the entry above it, nor of the service beside it.
set(controller_forbidden ${shell_headers} ${service_headers})
check_files(controller_forbidden "the shell's or the service's headers" FALSE GLOB
  "${SOURCE_DIR}/controller/*.h" "${SOURCE_DIR}/controller/*.cpp")
math(EXPR violations "${violations} + ${count}")

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

# Link libraries. The layers a layer may link, its own included.
set(may_link_models)
set(may_link_core core models)
set(may_link_platform core platform)
set(may_link_platform-gui core platform platform-gui)
set(may_link_service core platform service)
set(gui_regex "^Qt6::(Gui|Widgets|OpenGL|Qml|Quick)")
set(quick_link_regex "^Qt6::(Qml|Quick)")

string(REPLACE "|" ";" link_entries "${LINKS}")
set(checked)
foreach(entry IN LISTS link_entries)
  if(NOT entry MATCHES "^([a-z-]+):([^=]+)=(.*)$")
    message(FATAL_ERROR "include direction: not a layer:target=libs entry: ${entry}")
  endif()
  set(layer_of_${CMAKE_MATCH_2} ${CMAKE_MATCH_1})
  list(APPEND checked "${CMAKE_MATCH_2}")
  set(links_of_${CMAKE_MATCH_2} "${CMAKE_MATCH_3}")
endforeach()
foreach(target IN LISTS checked)
  set(layer ${layer_of_${target}})
  if(layer STREQUAL "controller" OR layer STREQUAL "shell")
    continue()
  endif()
  string(REPLACE "," ";" libs "${links_of_${target}}")
  foreach(lib IN LISTS libs)
    if(target STREQUAL "zephon_wire" AND NOT lib STREQUAL "Qt6::Core")
      violation("${target} links ${lib}; the wire's vocabulary uses Qt Core only")
    elseif(layer STREQUAL "models" AND NOT lib STREQUAL "Qt6::Core")
      violation("${target} links ${lib}; the row classes use Qt Core only")
    elseif(layer MATCHES "^(core|platform|service)$" AND lib MATCHES "${gui_regex}")
      violation("${target} links ${lib}; ${layer} stays free of Qt Gui")
    elseif(lib MATCHES "${quick_link_regex}")
      violation("${target} links ${lib}; only the controller and the shell use Qt Quick")
    elseif(DEFINED layer_of_${lib} AND NOT layer_of_${lib} IN_LIST may_link_${layer})
      violation("${target} (${layer}) links ${lib} (${layer_of_${lib}})")
    endif()
  endforeach()
endforeach()

if(NOT violations EQUAL EXPECT)
  message(FATAL_ERROR "include direction: ${violations} violations, ${EXPECT} expected")
endif()
message("include direction: ${violations} violations, as expected")
