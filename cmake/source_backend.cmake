# nuvra_source_backend(<out> <source> [SUPPORT_BACKEND <name> SUPPORT_HEADERS <header>...])
#
# Sets <out> to the backend a test, bench or fuzz source needs, to
# "pictures" when the shared picture decoders (nuvra_pictures) are all it
# needs besides the core, to "platform_common" when what every backend
# shares (nuvra_platform_common, src/platform/common) is, or to "" when the
# core and the fakes are enough.
# The source needs backend <name> when it includes a header
# "platform/<name>/...", or one of SUPPORT_HEADERS (helpers that drive
# backend <name>), and the decoders when it includes a header "pictures/...";
# directly or through a header of its own folder that it includes
# (picture_test_helpers.h, picture_fuzz.h).
#
# The answer comes from the files' text at configure time, so every file read
# is made a configure dependency: a new #include is seen at the next build.
function(nuvra_source_backend out source)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "SUPPORT_BACKEND" "SUPPORT_HEADERS")
  get_filename_component(folder ${source} DIRECTORY)
  set(pending ${source})
  set(seen)
  set(layer "")
  while(pending)
    list(POP_FRONT pending file)
    if(file IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${file})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
      # platform/common is every backend's, so it names none.
      if(header MATCHES "^platform/([^/]+)/" AND NOT CMAKE_MATCH_1 STREQUAL "common")
        set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
        return()
      endif()
      if(header IN_LIST arg_SUPPORT_HEADERS)
        set(${out} ${arg_SUPPORT_BACKEND} PARENT_SCOPE)
        return()
      endif()
      # A backend header further on still wins.
      if(header MATCHES "^pictures/")
        set(layer pictures)
      elseif(header MATCHES "^platform/common/" AND NOT layer STREQUAL "pictures")
        set(layer platform_common)
      endif()
      if(NOT header MATCHES "/" AND EXISTS ${folder}/${header})
        list(APPEND pending ${folder}/${header})
      endif()
    endforeach()
  endwhile()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()
