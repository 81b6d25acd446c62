# Builds Win32 programs with the mingw-w64 cross compilers, beside the native build and apart from it.
include_guard(GLOBAL)

foreach(arch x86_64 i686)
  find_program(KELVANE_MINGW_CXX_${arch} ${arch}-w64-mingw32-g++)
  find_program(KELVANE_MINGW_WINDRES_${arch} ${arch}-w64-mingw32-windres)
endforeach()

# kelvane_win32_toolchain_found(VAR ARCH) sets VAR to TRUE when the cross compiler and windres of ARCH exist.
function(kelvane_win32_toolchain_found var arch)
  if(KELVANE_MINGW_CXX_${arch} AND KELVANE_MINGW_WINDRES_${arch})
    set(${var} TRUE PARENT_SCOPE)
  else()
    set(${var} FALSE PARENT_SCOPE)
  endif()
endfunction()

# kelvane_add_win32_program(TARGET ARCH x86_64|i686 OUTPUT file.exe SOURCES a.cpp... [RESOURCE x.rc]
#                           [RESOURCE_DEPENDS files...])
# Compiles each source into an object of its own (header changes are tracked through depfiles), compiles
# the resource script with windres and links a static windowed .exe. The target is part of ALL and has
# the property KELVANE_EXE with the program's path. Call it only when kelvane_win32_toolchain_found says so.
function(kelvane_add_win32_program target)
  cmake_parse_arguments(ARG "" "ARCH;OUTPUT;RESOURCE" "SOURCES;RESOURCE_DEPENDS" ${ARGN})
  set(cxx ${KELVANE_MINGW_CXX_${ARG_ARCH}})
  set(windres ${KELVANE_MINGW_WINDRES_${ARG_ARCH}})
  set(object_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}.objects)
  file(MAKE_DIRECTORY ${object_dir})
  get_filename_component(output_dir ${ARG_OUTPUT} DIRECTORY)
  file(MAKE_DIRECTORY ${output_dir})

  set(compile_flags -std=c++20 -O2 -Wall -Wextra -Wpedantic -Wshadow -I${CMAKE_SOURCE_DIR})
  if(KELVANE_WERROR)
    list(APPEND compile_flags -Werror)
  endif()

  set(objects)
  foreach(source ${ARG_SOURCES})
    get_filename_component(source_path ${source} ABSOLUTE)
    get_filename_component(name ${source} NAME_WE)
    set(object ${object_dir}/${name}.o)
    add_custom_command(
      OUTPUT ${object}
      COMMAND ${cxx} ${compile_flags} -MD -MF ${object}.d -c ${source_path} -o ${object}
      DEPENDS ${source_path}
      DEPFILE ${object}.d
      COMMENT "Compiling ${name}.cpp for Win32 ${ARG_ARCH}"
      VERBATIM)
    list(APPEND objects ${object})
  endforeach()

  if(ARG_RESOURCE)
    get_filename_component(resource_path ${ARG_RESOURCE} ABSOLUTE)
    get_filename_component(resource_dir ${resource_path} DIRECTORY)
    set(object ${object_dir}/resources.o)
    add_custom_command(
      OUTPUT ${object}
      COMMAND ${windres} -I${resource_dir} -I${CMAKE_SOURCE_DIR} -i ${resource_path} -o ${object}
      DEPENDS ${resource_path} ${ARG_RESOURCE_DEPENDS}
      WORKING_DIRECTORY ${resource_dir}
      COMMENT "Compiling resources of ${target}"
      VERBATIM)
    list(APPEND objects ${object})
  endif()

  add_custom_command(
    OUTPUT ${ARG_OUTPUT}
    COMMAND ${cxx} -mwindows -static -s ${objects} -o ${ARG_OUTPUT} -luser32 -ladvapi32 -lkernel32
    DEPENDS ${objects}
    COMMENT "Linking Win32 ${ARG_ARCH} ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
  set_target_properties(${target} PROPERTIES KELVANE_EXE ${ARG_OUTPUT})
endfunction()
