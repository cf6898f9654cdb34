# The engine's layers: one static library per folder, linked to the layers it really uses. The
# build refuses a source that includes a header from a folder outside its layer's reach, so an
# include that points the wrong way (a lower layer reaching up, or one subsystem into another's
# internals) fails at once instead of tangling the code.
#
#   kx_layer(TARGET FOLDER [SOURCES_FROM folder...] [USES target...])
#
# A layer reaches its own folder and every folder its USES reach, transitively.
function(kx_layer target folder)
  cmake_parse_arguments(L "INTERFACE" "" "USES" ${ARGN})
  set(reach ${folder})
  foreach(used IN LISTS L_USES)
    get_property(used_reach GLOBAL PROPERTY KX_REACH_${used})
    list(APPEND reach ${used_reach})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_property(GLOBAL PROPERTY KX_REACH_${target} ${reach})

  if(L_INTERFACE)
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${L_USES})
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${L_USES})
  kx_strict(${target})
  kx_check_includes(${target} "${sources};${headers}")
endfunction()

# Checks the quoted includes of `files` against the reach recorded for `target`.
function(kx_check_includes target files)
  get_property(reach GLOBAL PROPERTY KX_REACH_${target})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} "-DFILES=${files}" "-DREACH=${reach}" -DTARGET=${target}
      -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
    COMMENT "Checking the includes of ${target}" VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()
