# The test programs (some 150 a flavour) are compiled with line tables only
# (-g1): enough for a sanitizer's or a debugger's backtrace, for a good part
# less compile time than full debug information. The plug-in, the tools and
# the layers' libraries keep the flavour's own debug information.
function(kelvanti_test_programs_line_tables_only dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" AND target MATCHES "_test$")
      target_compile_options(${target} PRIVATE -g1)
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory ${subdirectories})
    kelvanti_test_programs_line_tables_only(${subdirectory})
  endforeach()
endfunction()
kelvanti_test_programs_line_tables_only(${CMAKE_SOURCE_DIR})
