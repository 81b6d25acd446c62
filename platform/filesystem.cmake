# The root-folder file system and the registry kept in a .reg file.
target_sources(kelvane_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/linux/FileSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/Registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/RegistryFileFormat.cpp
)
