# Screen capture and synthetic input backends (X11 with MIT-SHM and XTest, framebuffer, uinput),
# and run-time library loading.
find_package(X11 REQUIRED)

add_library(kelvane_platform_display STATIC
  ${CMAKE_CURRENT_LIST_DIR}/linux/Screen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/ScreenPixelConversion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/ScreenX11Connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/ScreenX11.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/ScreenFramebuffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/Input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/InputXTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/InputUinput.cpp
)
target_link_libraries(kelvane_platform_display PRIVATE X11::X11 X11::Xext X11::Xtst PUBLIC Threads::Threads)
# Position-independent so that the remote session module (libkelvane-remote.so) can hold it: the
# server program itself links no display library.
set_target_properties(kelvane_platform_display PROPERTIES POSITION_INDEPENDENT_CODE ON)

# Loading the optional compression library; separate, so that start-up needs no display libraries.
add_library(kelvane_platform_loader STATIC ${CMAKE_CURRENT_LIST_DIR}/linux/LibraryLoader.cpp)
target_link_libraries(kelvane_platform_loader PRIVATE ${CMAKE_DL_LIBS})
