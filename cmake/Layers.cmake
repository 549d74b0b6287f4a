# The tool's layers: one folder each, nearly all with a library of their own,
# and the layers each may use. svx_layer() declares a layer and links its
# library to the libraries of the layers it uses; svx_layer_assembly() lets one
# file reach further; svx_check_layers() adds a build step that fails on an
# #include the declared layers do not allow (cmake/CheckLayers.cmake).
#
# Why a check and not include paths: every header is included by its path from
# the top of the tree ("install/VersionGate.h"), so one include root serves all
# and a per-layer root would need a tree of links per library. The check also
# covers ui/ against ui/wx/ (one folder inside the other) and reads both
# platforms' code on every build: an upward include in win32/ code fails the
# Linux build too, not only the Windows leg.

# What `who` may use: the declared layers named after it, with what each of
# them uses.
function(svx_reach_of who out)
  get_property(known GLOBAL PROPERTY SVX_LAYER_FOLDERS)
  set(reach)
  foreach(used IN LISTS ARGN)
    if(NOT used IN_LIST known)
      message(FATAL_ERROR "${who} uses ${used}, which is not declared before it")
    endif()
    get_property(used_reach GLOBAL PROPERTY SVX_LAYER_REACH_${used})
    list(APPEND reach ${used_reach})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set(${out} ${reach} PARENT_SCOPE)
endfunction()

# svx_layer(<folder> <target> [<folder of a layer it uses>...])
# Layers are declared bottom first, so a layer can use only those before it.
function(svx_layer folder target)
  svx_reach_of("layer ${folder}" reach ${ARGN})
  list(PREPEND reach ${folder})
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

# svx_layer_assembly(<file> <folder of a layer>...)
# The one file of a layer that puts the layer's services together may also use
# layers built on the layer itself: the POSIX platform's assembly roots its
# services in the Wine prefix that the Wine subsystem, built on the platform's
# OS services, chooses. Every other file of the layer stays below them.
function(svx_layer_assembly file)
  svx_reach_of("assembly ${file}" reach ${ARGN})
  set_property(GLOBAL APPEND PROPERTY SVX_ASSEMBLY_FILES ${file})
  set_property(GLOBAL PROPERTY SVX_ASSEMBLY_REACH_${file} ${reach})
endfunction()

# Call once, after every svx_layer() and svx_layer_assembly().
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
  get_property(assemblies GLOBAL PROPERTY SVX_ASSEMBLY_FILES)
  string(APPEND table "set(SVX_ASSEMBLY_FILES ${assemblies})\n")
  foreach(file IN LISTS assemblies)
    get_property(reach GLOBAL PROPERTY SVX_ASSEMBLY_REACH_${file})
    string(APPEND table "set(SVX_ASSEMBLY_REACH_${file} ${reach})\n")
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
