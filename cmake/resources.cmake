# The program's resource script (res/tarvolin.rc): dialog templates, string
# table, icons, version and manifest. tv_add_resources(target) compiles it into
# a target: the program, the Windows tests and the window benchmarks.
if(NOT WIN32)
  return()
endif()
enable_language(RC)

set(TV_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/res)
set(TV_RESOURCE_GENERATED ${PROJECT_BINARY_DIR}/res)
# The version lives in one place, the project's; the script and the about
# box take it from here.
configure_file(${TV_RESOURCE_DIR}/version.h.in ${TV_RESOURCE_GENERATED}/version.h @ONLY)
configure_file(${TV_RESOURCE_DIR}/tarvolin.manifest.in ${TV_RESOURCE_GENERATED}/tarvolin.manifest
               @ONLY)
file(GLOB TV_RESOURCE_FILES CONFIGURE_DEPENDS
     ${TV_RESOURCE_DIR}/*.rc ${TV_RESOURCE_DIR}/*.inc ${TV_RESOURCE_DIR}/*.h
     ${TV_RESOURCE_DIR}/icons/*.ico)
list(APPEND TV_RESOURCE_FILES ${TV_RESOURCE_GENERATED}/version.h
     ${TV_RESOURCE_GENERATED}/tarvolin.manifest)

function(tv_add_resources target)
  # Source properties belong to the directory of the target that compiles it.
  set_source_files_properties(${TV_RESOURCE_DIR}/tarvolin.rc PROPERTIES
    OBJECT_DEPENDS "${TV_RESOURCE_FILES}"
    COMPILE_OPTIONS "-c;65001;-I;${TV_RESOURCE_DIR};-I;${TV_RESOURCE_GENERATED}")
  target_sources(${target} PRIVATE ${TV_RESOURCE_DIR}/tarvolin.rc)
endfunction()
