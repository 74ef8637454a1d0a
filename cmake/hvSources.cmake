# Sources are gathered per subsystem folder of this project, so a file added to a folder (or
# to a format folder such as seek/mp4/) is built without touching the build files. A win32/
# or posix/ folder anywhere below belongs to one system: only this build's system is taken.
function(hv_collect_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  set(kept)
  foreach(source ${found})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/${dir} ${source})
    if(relative MATCHES "(^|/)(win32|posix)/" AND NOT relative MATCHES "(^|/)${HV_OS}/")
      continue()
    endif()
    list(APPEND kept ${source})
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()
