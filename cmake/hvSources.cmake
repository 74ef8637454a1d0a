# Collects the sources of one subsystem folder: its shared files and the files of the
# platform folder (win32/ or posix/) that this build targets.
function(hv_collect_sources out dir)
  file(GLOB shared CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  file(GLOB native CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/${HV_OS}/*.cpp)
  set(${out} ${shared} ${native} PARENT_SCOPE)
endfunction()
