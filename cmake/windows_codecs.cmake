# Windows builds decode JPEG and GIF with libjpeg-turbo and giflib
# cross-built from Debian's own sources (scripts/build-windows-codecs.sh)
# into the build folder, once; pkg-config finds them there and nowhere else,
# so no Linux library can slip into a Windows program.
#   nuvra_windows_codecs(<result variable>)
function(nuvra_windows_codecs result)
  set(prefix ${CMAKE_BINARY_DIR}/windows-codecs)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-windows-codecs.sh ${prefix}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    set(${result} FALSE PARENT_SCOPE)
    return()
  endif()
  set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  set(CMAKE_FIND_ROOT_PATH ${CMAKE_FIND_ROOT_PATH} ${prefix} PARENT_SCOPE)
  set(${result} TRUE PARENT_SCOPE)
endfunction()
