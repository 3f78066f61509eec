# Reads every #include "..." under the source folder and fails on one that
# points up or sideways in the plan of the libraries (see the README's
# architecture section): a library includes its own headers and those of the
# libraries below it, nothing else.
#
#   cmake -DSOURCE_DIR=<repo>/src -P include_layers.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "pass -DSOURCE_DIR=<the src folder>")
endif()

# What each library may include besides itself.
set(below_common "")
set(below_store common)
set(below_core store common)
set(below_optimisation core store common)
set(below_simulation optimisation core store common)
set(below_map store common)
set(below_map/qt map store common)
set(below_gis store common)
set(below_batch gis store common)
set(engine simulation optimisation core store common map map/qt gis)
set(below_ui ${engine})
set(below_cli batch ${engine})
set(below_app ui ${engine})
set(libraries common store core optimisation simulation map map/qt gis batch ui cli app)

# The library a path below the source folder belongs to; "" for a file
# outside every library folder.
function(library_of relative out)
  if(relative MATCHES "^map/qt/")
    set(${out} map/qt PARENT_SCOPE)
  elseif(relative MATCHES "^([^/]+)/")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT files)
set(faults 0)
set(checked 0)
foreach(file ${files})
  library_of(${file} own)
  if(NOT own IN_LIST libraries)
    message(SEND_ERROR "src/${file}: folder '${own}' has no place in the plan of the libraries")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  get_filename_component(dir ${SOURCE_DIR}/${file} DIRECTORY)
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
    # Found as the compiler finds it: beside the including file first, then
    # from the source folder.
    if(EXISTS ${dir}/${name})
      get_filename_component(target ${dir}/${name} ABSOLUTE)
    elseif(EXISTS ${SOURCE_DIR}/${name})
      get_filename_component(target ${SOURCE_DIR}/${name} ABSOLUTE)
    else()
      continue()  # not a header of this source tree
    endif()
    math(EXPR checked "${checked} + 1")
    file(RELATIVE_PATH target_relative ${SOURCE_DIR} ${target})
    library_of(${target_relative} target_library)
    if(target_library STREQUAL own OR target_library IN_LIST below_${own})
      continue()
    endif()
    string(REPLACE ";" " " may "${below_${own}}")
    message(SEND_ERROR "src/${file}: ${own} must not include \"${name}\" (${target_library}); it may include ${own} and: ${may}")
    math(EXPR faults "${faults} + 1")
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no include of the source tree found under ${SOURCE_DIR}")
endif()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the plan of the libraries")
endif()
message(STATUS "${checked} includes of ${SOURCE_DIR} follow the plan of the libraries")
