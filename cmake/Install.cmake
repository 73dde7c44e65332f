# What `cmake --install` puts under the prefix: the program, the names under
# which the screen-saver daemons find it, the desktop entries, XScreenSaver's
# description of its options and the manual page. Included by the top-level
# CMakeLists.txt once the nuvra target exists; it builds nothing.
include(GNUInstallDirs)

set(NUVRA_XSCREENSAVER_HACKDIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver" CACHE STRING
    "Where XScreenSaver looks for its screen savers (Debian 12: libexec/xscreensaver under /usr)")
set(NUVRA_XSECURELOCK_HELPERDIR "${CMAKE_INSTALL_LIBEXECDIR}/xsecurelock" CACHE STRING
    "Where xsecurelock looks for its saver modules (Debian 12: libexec/xsecurelock under /usr)")
set(NUVRA_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(NUVRA_INSTALL_STAGE ${CMAKE_BINARY_DIR}/install-stage)

# The way from an install folder to the program, as a relative path: the
# prefix given to `cmake --install --prefix` or DESTDIR then moves both alike.
function(nuvra_path_to_program from_dir out_var)
  set(to_dir ${CMAKE_INSTALL_BINDIR})
  foreach(dir from_dir to_dir)
    if(IS_ABSOLUTE "${${dir}}")
      set(${dir}_full "${${dir}}")
    else()
      set(${dir}_full "${CMAKE_INSTALL_PREFIX}/${${dir}}")
    endif()
  endforeach()
  file(RELATIVE_PATH path "${from_dir_full}" "${to_dir_full}/nuvra")
  set(${out_var} ${path} PARENT_SCOPE)
endfunction()

install(TARGETS nuvra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The settings dialog's underlined label opens it.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# XScreenSaver runs its hacks from its own folder and its settings panel
# lists a hack as installed only when it is there. A symbolic link rather
# than a copy: one program on disk, so the daemon can never run an older
# copy than the one on PATH.
nuvra_path_to_program(${NUVRA_XSCREENSAVER_HACKDIR} NUVRA_HACK_TO_PROGRAM)
file(MAKE_DIRECTORY ${NUVRA_INSTALL_STAGE}/xscreensaver)
file(CREATE_LINK ${NUVRA_HACK_TO_PROGRAM} ${NUVRA_INSTALL_STAGE}/xscreensaver/nuvra SYMBOLIC)
install(FILES ${NUVRA_INSTALL_STAGE}/xscreensaver/nuvra DESTINATION ${NUVRA_XSCREENSAVER_HACKDIR})
install(FILES ${NUVRA_DATA_DIR}/nuvra.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

# xsecurelock runs a saver module with no arguments, so a link cannot pass
# --root; a two-line script does.
nuvra_path_to_program(${NUVRA_XSECURELOCK_HELPERDIR} NUVRA_SAVER_TO_PROGRAM)
configure_file(${NUVRA_DATA_DIR}/saver_nuvra.in ${NUVRA_INSTALL_STAGE}/xsecurelock/saver_nuvra @ONLY)
install(PROGRAMS ${NUVRA_INSTALL_STAGE}/xsecurelock/saver_nuvra DESTINATION ${NUVRA_XSECURELOCK_HELPERDIR})

install(FILES ${NUVRA_DATA_DIR}/nuvra-settings.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# MATE screensaver lists the desktop entries of the Screensaver category
# found under applications/; its own themes are in applications/screensavers.
install(FILES ${NUVRA_DATA_DIR}/nuvra-mate-screensaver.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers RENAME nuvra.desktop)
install(FILES ${NUVRA_DATA_DIR}/nuvra.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

if(NUVRA_TESTS)
  add_test(NAME install.layout_and_data_files
           COMMAND ${PROJECT_SOURCE_DIR}/tests/install_test.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR})
endif()
