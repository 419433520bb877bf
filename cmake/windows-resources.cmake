# Windows resources and exports of the programs (included by the top-level
# CMakeLists.txt in a Windows build).

# vkr_windows_version(target DESCRIPTION text [MANIFEST]): the VERSIONINFO
# resource (product name, file version ${PROJECT_VERSION}) and, for a program,
# the application manifest (packaging/windows/vokari.manifest).
function(vkr_windows_version target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "MANIFEST" "DESCRIPTION" "")
  get_target_property(type ${target} TYPE)
  set(VKR_RC_NAME ${target})
  set(VKR_RC_DESCRIPTION "${arg_DESCRIPTION}")
  if(type STREQUAL "SHARED_LIBRARY")
    set(VKR_RC_FILETYPE VFT_DLL)
    set(VKR_RC_FILENAME ${target}.dll)
  else()
    set(VKR_RC_FILETYPE VFT_APP)
    set(VKR_RC_FILENAME ${target}.exe)
  endif()
  set(VKR_RC_MANIFEST "")
  if(arg_MANIFEST)
    # 1: CREATEPROCESS_MANIFEST_RESOURCE_ID, 24: RT_MANIFEST
    set(VKR_RC_MANIFEST "1 24 \"${PROJECT_SOURCE_DIR}/packaging/windows/vokari.manifest\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/vokari.manifest)
endfunction()

# The .def file of the exported API for this architecture: plain names on
# both. On x86 the file names the stdcall-decorated symbols (Name@n) and
# --kill-at exports them without the decoration.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VKR_EXPORTS_DEF ${PROJECT_SOURCE_DIR}/device/vokari-x64.def)
  set(VKR_EXPORTS_OPTIONS "")
else()
  set(VKR_EXPORTS_DEF ${PROJECT_SOURCE_DIR}/device/vokari-x86.def)
  set(VKR_EXPORTS_OPTIONS -Wl,--kill-at)
endif()

# vkr_windows_exports(target): exports the API of include/vokari/vkr.h from
# `target` (a DLL, or a program: vokari-update.exe exports it too), through
# the .def file alone.
function(vkr_windows_exports target)
  target_link_options(${target} PRIVATE ${VKR_EXPORTS_DEF} ${VKR_EXPORTS_OPTIONS})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VKR_EXPORTS_DEF})
endfunction()
