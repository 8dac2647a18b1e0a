# Build targets by layer. Each layer is a static library whose include path holds only its own
# headers and those of the layers it names below it: a header is reached through a forwarding
# file in the build tree, never through the source tree's root. An include that runs the wrong
# way (a lower layer naming a higher one) therefore fails to compile.

set(ZBK_LAYER_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/layers)

# Writes `content` to `path` unless it holds it already, so that nothing rebuilds for nothing.
function(zbk_write_if_changed path content)
  set(old "")
  if(EXISTS ${path})
    file(READ ${path} old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE ${path} "${content}")
  endif()
endfunction()

# zbk_layer(NAME SOURCES file... [HEADERS file...] [DEPS layer...])
# Files are given relative to the source tree's root.
function(zbk_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;HEADERS;DEPS")
  set(sources)
  foreach(file IN LISTS arg_SOURCES)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/${file})
  endforeach()
  add_library(${name} STATIC ${sources})
  set(dir ${ZBK_LAYER_INCLUDE_ROOT}/${name})
  foreach(header IN LISTS arg_HEADERS)
    zbk_write_if_changed(${dir}/${header} "#include \"${PROJECT_SOURCE_DIR}/${header}\"\n")
  endforeach()
  file(MAKE_DIRECTORY ${dir})
  target_include_directories(${name} PUBLIC ${dir})
  if(arg_DEPS)
    target_link_libraries(${name} PUBLIC ${arg_DEPS})
  endif()
endfunction()

# The files of the given folders matching the patterns, relative to the source tree's root.
function(zbk_files out)
  set(found)
  foreach(pattern IN LISTS ARGN)
    file(GLOB matches CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
         ${PROJECT_SOURCE_DIR}/${pattern})
    list(APPEND found ${matches})
  endforeach()
  list(SORT found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# A test that compiles one include from within a layer: it must fail when the header belongs to
# a layer above (`WRONG_WAY`), and succeed otherwise, which shows that the check itself works.
function(zbk_include_check name layer header)
  cmake_parse_arguments(PARSE_ARGV 3 arg "WRONG_WAY" "" "")
  set(source ${CMAKE_BINARY_DIR}/layer_checks/${name}.cpp)
  zbk_write_if_changed(${source} "#include \"${header}\"\n")
  add_library(layercheck_${name} OBJECT EXCLUDE_FROM_ALL ${source})
  target_link_libraries(layercheck_${name} PRIVATE ${layer})
  add_test(NAME layers.${name}
           COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target layercheck_${name})
  # Two builds of one tree at once would trip over each other.
  set_tests_properties(layers.${name} PROPERTIES RESOURCE_LOCK build_tree)
  if(arg_WRONG_WAY)
    # Failing for another reason proves nothing: the header itself must be the one not found.
    set_tests_properties(
      layers.${name} PROPERTIES PASS_REGULAR_EXPRESSION
                                "fatal error: '?${header}'?(: No such file or directory| file not found)")
  endif()
endfunction()
