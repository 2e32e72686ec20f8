# The program's resource script (res/tarvolin.rc): dialog templates, string
# table, icons, version and manifest. tv_add_resources(target [UTF8]) compiles
# it into a target: the program, the Windows tests and the window benchmarks.
# UTF8 gives the manifest UTF-8 as the process's code page (Windows 10 1903
# and later, Wine 8): the program and its benchmarks. The Windows tests keep
# the system's code page (1251 under the tests' Wine), as the program has it
# on Windows 7 and 8.
if(NOT WIN32)
  return()
endif()
enable_language(RC)

set(TV_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/res)
set(TV_RESOURCE_GENERATED ${PROJECT_BINARY_DIR}/res)
# The version lives in one place, the project's; the script and the about
# box take it from here.
configure_file(${TV_RESOURCE_DIR}/version.h.in ${TV_RESOURCE_GENERATED}/version.h @ONLY)
set(TV_MANIFEST_CODE_PAGE "")
configure_file(${TV_RESOURCE_DIR}/tarvolin.manifest.in
               ${TV_RESOURCE_GENERATED}/system_code_page/tarvolin.manifest @ONLY)
set(TV_MANIFEST_CODE_PAGE [=[
    <asmv3:windowsSettings xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">
      <activeCodePage>UTF-8</activeCodePage>
    </asmv3:windowsSettings>]=])
configure_file(${TV_RESOURCE_DIR}/tarvolin.manifest.in
               ${TV_RESOURCE_GENERATED}/utf8/tarvolin.manifest @ONLY)
file(GLOB TV_RESOURCE_FILES CONFIGURE_DEPENDS
     ${TV_RESOURCE_DIR}/*.rc ${TV_RESOURCE_DIR}/*.inc ${TV_RESOURCE_DIR}/*.h
     ${TV_RESOURCE_DIR}/icons/*.ico)
list(APPEND TV_RESOURCE_FILES ${TV_RESOURCE_GENERATED}/version.h
     ${TV_RESOURCE_GENERATED}/system_code_page/tarvolin.manifest
     ${TV_RESOURCE_GENERATED}/utf8/tarvolin.manifest)

function(tv_add_resources target)
  set(manifest_dir ${TV_RESOURCE_GENERATED}/system_code_page)
  if("UTF8" IN_LIST ARGN)
    set(manifest_dir ${TV_RESOURCE_GENERATED}/utf8)
  endif()
  # Source properties belong to the directory of the target that compiles it,
  # so each target's folder picks its own manifest.
  set_source_files_properties(${TV_RESOURCE_DIR}/tarvolin.rc PROPERTIES
    OBJECT_DEPENDS "${TV_RESOURCE_FILES}"
    COMPILE_OPTIONS
      "-c;65001;-I;${manifest_dir};-I;${TV_RESOURCE_DIR};-I;${TV_RESOURCE_GENERATED}")
  target_sources(${target} PRIVATE ${TV_RESOURCE_DIR}/tarvolin.rc)
endfunction()
