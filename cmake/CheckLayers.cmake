# Fails when a source file of a layer includes a file of a layer it does not
# use. Run by the build (see Layers.cmake) as
#   cmake -D SVX_LAYER_TABLE=<build>/layers/table.cmake -P CheckLayers.cmake
#
# An include is resolved as the compiler resolves it: a quoted name beside the
# including file first, then from the top of the tree (the one include root).
# Names found in neither are system or toolkit headers and are not checked.
# An include through a macro is not seen; the tree has none.
cmake_minimum_required(VERSION 3.25)
include(${SVX_LAYER_TABLE})

# The layer whose folder holds `path` (relative to the tree): the deepest, as
# ui/wx lies inside ui. Empty when no layer does.
function(owning_layer path out)
  set(best "")
  foreach(folder IN LISTS SVX_LAYER_FOLDERS)
    string(LENGTH "${folder}" len)
    string(LENGTH "${best}" best_len)
    string(FIND "${path}" "${folder}/" at)
    if(at EQUAL 0 AND len GREATER best_len)
      set(best ${folder})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

set(problems "")
foreach(source IN LISTS SVX_LAYER_SOURCES)
  file(RELATIVE_PATH rel ${SVX_SOURCE_DIR} ${source})
  owning_layer(${rel} layer)
  set(reach ${SVX_LAYER_REACH_${layer}})
  if(rel IN_LIST SVX_ASSEMBLY_FILES)
    list(APPEND reach ${SVX_ASSEMBLY_REACH_${rel}})
  endif()
  get_filename_component(here ${source} DIRECTORY)
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "include[ \t]*([\"<])([^\">]+)" _ "${line}")
    set(name ${CMAKE_MATCH_2})
    if(CMAKE_MATCH_1 STREQUAL "\"" AND EXISTS ${here}/${name})
      cmake_path(ABSOLUTE_PATH name BASE_DIRECTORY ${here} NORMALIZE OUTPUT_VARIABLE found)
    elseif(EXISTS ${SVX_SOURCE_DIR}/${name})
      cmake_path(ABSOLUTE_PATH name BASE_DIRECTORY ${SVX_SOURCE_DIR} NORMALIZE
                 OUTPUT_VARIABLE found)
    else()
      continue()
    endif()
    file(RELATIVE_PATH target ${SVX_SOURCE_DIR} ${found})
    owning_layer(${target} target_layer)
    if(target_layer STREQUAL "")
      string(APPEND problems "  ${rel}: includes ${target}, which is in no layer\n")
    elseif(NOT target_layer IN_LIST reach)
      string(REPLACE ";" ", " allowed "${reach}")
      string(APPEND problems "  ${rel}: includes ${target}, but it may use only ${allowed}\n")
    endif()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR
          "Includes against the layers (the table in CMakeLists.txt; a layer uses only those "
          "below it):\n${problems}")
endif()
