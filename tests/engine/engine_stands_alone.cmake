# Fails when a source of ENGINE_DIR includes anything above the engine: the dialog
# logic (ui/), the window-system layers (platform/), the programs (app/, cli/) or a
# window toolkit. The engine is the ground floor; the command-line tool and the
# benchmarks link it without any window system.
if(NOT ENGINE_DIR)
  message(FATAL_ERROR "usage: cmake -DENGINE_DIR=<engine folder> -P engine_stands_alone.cmake")
endif()
file(GLOB_RECURSE sources LIST_DIRECTORIES false "${ENGINE_DIR}/*.h" "${ENGINE_DIR}/*.cpp")
if(NOT sources)
  message(FATAL_ERROR "no sources in ${ENGINE_DIR}")
endif()
set(found "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "[\"<](ui|platform|app|cli)/" OR line MATCHES "<Q[A-Za-z]*>"
       OR line MATCHES "<(commctrl|commdlg)\\.h>")
      string(APPEND found "\n  ${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "engine/ reaches above itself:${found}")
endif()
