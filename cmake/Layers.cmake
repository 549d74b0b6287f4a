# The tool's layers: one folder and one library each, and the layers each may
# use. svx_layer() declares a layer and links its library to the libraries of
# the layers it uses; svx_check_layers() adds a build step that fails on an
# #include the declared layers do not allow (cmake/CheckLayers.cmake).
#
# Why a check and not include paths: every header is included by its path from
# the top of the tree ("install/VersionGate.h"), so one include root serves all
# and a per-layer root would need a tree of links per library. The check also
# covers ui/ against ui/wx/ (one folder inside the other) and reads both
# platforms' code on every build: an upward include in win32/ code fails the
# Linux build too, not only the Windows leg.

# svx_layer(<folder> <target> [<folder of a layer it uses>...])
# Layers are declared bottom first, so a layer can use only those before it.
function(svx_layer folder target)
  get_property(known GLOBAL PROPERTY SVX_LAYER_FOLDERS)
  set(reach ${folder})
  foreach(used IN LISTS ARGN)
    if(NOT used IN_LIST known)
      message(FATAL_ERROR "layer ${folder} uses ${used}, which is not declared before it")
    endif()
    get_property(used_reach GLOBAL PROPERTY SVX_LAYER_REACH_${used})
    list(APPEND reach ${used_reach})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_property(GLOBAL APPEND PROPERTY SVX_LAYER_FOLDERS ${folder})
  set_property(GLOBAL PROPERTY SVX_LAYER_REACH_${folder} ${reach})

  # Only the platform being built has its views and program, and two programs
  # share the name svxpatch: a layer's target is the one built from its folder.
  if(NOT TARGET ${target})
    return()
  endif()
  get_target_property(dir ${target} SOURCE_DIR)
  if(NOT dir STREQUAL "${PROJECT_SOURCE_DIR}/${folder}")
    return()
  endif()
  set_property(GLOBAL PROPERTY SVX_LAYER_TARGET_${folder} ${target})
  set_property(GLOBAL APPEND PROPERTY SVX_LAYER_TARGETS ${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  foreach(used IN LISTS ARGN)
    get_property(library GLOBAL PROPERTY SVX_LAYER_TARGET_${used})
    if(NOT library)
      message(FATAL_ERROR "${target} (${folder}) uses ${used}, whose library is not built")
    endif()
    target_link_libraries(${target} PUBLIC ${library})
  endforeach()
endfunction()

# Call once, after every svx_layer().
function(svx_check_layers)
  get_property(folders GLOBAL PROPERTY SVX_LAYER_FOLDERS)
  set(table "set(SVX_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")\nset(SVX_LAYER_FOLDERS ${folders})\n")
  set(patterns)
  foreach(folder IN LISTS folders)
    get_property(reach GLOBAL PROPERTY SVX_LAYER_REACH_${folder})
    string(APPEND table "set(SVX_LAYER_REACH_${folder} ${reach})\n")
    foreach(ext h cpp)
      list(APPEND patterns ${PROJECT_SOURCE_DIR}/${folder}/*.${ext})
    endforeach()
  endforeach()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${patterns})
  list(REMOVE_DUPLICATES sources)
  list(SORT sources)
  string(APPEND table "set(SVX_LAYER_SOURCES\n  \"${sources}\")\n")
  # Written only when it changes, so that a new configure alone reruns nothing.
  set(table_file ${CMAKE_BINARY_DIR}/layers/table.cmake)
  file(CONFIGURE OUTPUT ${table_file} CONTENT "${table}" @ONLY)

  set(script ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  set(stamp ${CMAKE_BINARY_DIR}/layers/checked.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -D SVX_LAYER_TABLE=${table_file} -P ${script}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${script} ${table_file} ${sources}
    COMMENT "Checking that each layer includes only the layers it uses"
    VERBATIM)
  add_custom_target(svx_layer_check ALL DEPENDS ${stamp})
  # Before any layer compiles, so that building a single target checks too.
  get_property(targets GLOBAL PROPERTY SVX_LAYER_TARGETS)
  foreach(target IN LISTS targets)
    add_dependencies(${target} svx_layer_check)
  endforeach()
endfunction()
