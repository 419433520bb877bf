# vokari-update.exe: the console on this machine's drives, with the device
# layer inside and its API exported from the program itself (the .def file),
# so that another program can load the .exe and call it; the images as RCDATA
# resources; version resource and manifest.
add_executable(vokari-update main.cpp
  $<TARGET_OBJECTS:vkr_device_objects> $<TARGET_OBJECTS:vkr_payloads>)
target_link_libraries(vokari-update PRIVATE
  vkr_app vkr_controller vkr_images vkr_windows_drive vkr_windows_clock vkr_windows_host)
vkr_windows_exports(vokari-update)
# An image base of its own, away from the 0x140000000 (x64) or 0x400000 (x86)
# of every other program: Windows relocates a program it loads as a module,
# Wine does not, and in another program's process the default base is taken.
# (Wine does not bind such a module's imports either: see README.)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_link_options(vokari-update PRIVATE -Wl,--image-base=0x150000000)
else()
  target_link_options(vokari-update PRIVATE -Wl,--image-base=0x10000000)
endif()
vkr_windows_version(vokari-update DESCRIPTION "Vokari Firmware Updater" MANIFEST)
