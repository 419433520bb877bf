# vokari.dll: the device layer on the real drives (SCSI pass-through), the
# API of include/vokari/vkr.h exported under plain names through the .def
# file, and its import library libvokari.dll.a. Linked -static (toolchain
# file): it needs no MinGW DLL. The exported functions use no static
# constructor and nothing of the C runtime's start-up.
add_library(vokari SHARED $<TARGET_OBJECTS:vkr_device_objects>)
target_link_libraries(vokari PRIVATE vkr_windows_drive)
set_target_properties(vokari PROPERTIES PREFIX "")
vkr_windows_exports(vokari)
vkr_windows_version(vokari DESCRIPTION "Vokari recorder device-access library")

# On x86 the import library that ld writes names the plain symbols, which no
# stdcall caller uses: made again with dlltool from the decorated .def file,
# so that _Name@n and __imp__Name@n import the plain name.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_custom_command(TARGET vokari POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -k -d ${VKR_EXPORTS_DEF} -D $<TARGET_FILE_NAME:vokari>
            -l $<TARGET_LINKER_FILE:vokari>
    COMMENT "Import library of vokari.dll for stdcall callers"
    VERBATIM)
endif()
