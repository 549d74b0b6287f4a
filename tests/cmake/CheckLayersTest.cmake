# The include check of the layers (cmake/CheckLayers.cmake) against a small
# tree: low/, mid/ using low/, and top/ inside mid/ using mid/, with one
# assembly file in low/ that may use mid/ too. Each case adds one include to a
# clean tree and says whether the build step must refuse it.
#   cmake -D SVX_CHECK_SCRIPT=<cmake/CheckLayers.cmake> -D WORK_DIR=<dir> -P CheckLayersTest.cmake
cmake_minimum_required(VERSION 3.25)

set(cases
    # file           include line                   refused
    "mid/M.cpp|#include \"low/L.h\"|no"
    "mid/M.cpp|#include <vector>|no"
    "mid/M.cpp|#include \"Missing.h\"|no"
    "low/L.cpp|#include \"mid/M.h\"|yes"
    "low/L.cpp|  #  include <mid/M.h>|yes"
    "low/L.cpp|#include \"../mid/M.h\"|yes"
    "mid/M.cpp|#include \"top/T.h\"|yes"
    "mid/M.cpp|#include \"mid/top/T.h\"|yes"
    "mid/top/T.h|#include \"low/L.h\"|no"
    "mid/top/T.h|#include \"other/O.h\"|yes"
    "low/Assembly.cpp|#include \"mid/M.h\"|no"
    "low/Assembly.cpp|#include \"low/L.h\"|no"
    "low/Assembly.cpp|#include \"mid/top/T.h\"|yes")

set(failures "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 file)
  list(GET parts 1 line)
  list(GET parts 2 refused)
  set(root ${WORK_DIR}/tree)
  file(REMOVE_RECURSE ${root})
  foreach(f low/L.h low/L.cpp low/Assembly.cpp mid/M.h mid/M.cpp mid/top/T.h other/O.h)
    file(WRITE ${root}/${f} "// ${f}\n")
  endforeach()
  file(APPEND ${root}/${file} "${line}\n")
  file(WRITE ${WORK_DIR}/table.cmake
       "set(SVX_SOURCE_DIR ${root})\n"
       "set(SVX_LAYER_FOLDERS low mid mid/top)\n"
       "set(SVX_LAYER_REACH_low low)\n"
       "set(SVX_LAYER_REACH_mid mid low)\n"
       "set(SVX_LAYER_REACH_mid/top mid/top mid low)\n"
       "set(SVX_ASSEMBLY_FILES low/Assembly.cpp)\n"
       "set(SVX_ASSEMBLY_REACH_low/Assembly.cpp mid low)\n"
       "set(SVX_LAYER_SOURCES ${root}/low/L.h ${root}/low/L.cpp ${root}/low/Assembly.cpp"
       " ${root}/mid/M.h ${root}/mid/M.cpp ${root}/mid/top/T.h)\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -D SVX_LAYER_TABLE=${WORK_DIR}/table.cmake -P
                          ${SVX_CHECK_SCRIPT} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
  if(refused AND status EQUAL 0)
    string(APPEND failures "  not refused: ${line} in ${file}\n")
  elseif(NOT refused AND NOT status EQUAL 0)
    string(APPEND failures "  refused: ${line} in ${file}:\n${err}\n")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
if(failures)
  message(FATAL_ERROR "The layer check judged wrongly:\n${failures}")
endif()
