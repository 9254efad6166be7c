# kovra_add_subdirectories(DIR...): adds each listed folder of the current source folder, in
# the order given, and stops the configure when a folder here has a CMakeLists.txt but is
# not listed: a folder is never built, or left out, without anyone having said so.
function(kovra_add_subdirectories)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt AND NOT child IN_LIST ARGN)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${child} has a CMakeLists.txt but is "
                          "not listed in ${CMAKE_CURRENT_LIST_FILE}")
    endif()
  endforeach()
  foreach(dir IN LISTS ARGN)
    add_subdirectory(${dir})
  endforeach()
endfunction()
