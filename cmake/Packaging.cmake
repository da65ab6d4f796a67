# What `cmake --install` installs beyond the programs, and the packages CPack
# makes of it: a .deb on Linux, a zip per architecture on Windows. The version
# comes from project(); nothing else names it.

set(CPACK_PACKAGE_NAME launcher)
set(CPACK_PACKAGE_VENDOR "the launcher authors")
set(CPACK_PACKAGE_CONTACT "launcher authors <launcher@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "start a Python script as a program of its own")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(LAUNCHER_ARCHITECTURE windows-x86)
  else()
    set(LAUNCHER_ARCHITECTURE windows-x64)
  endif()
  set(LAUNCHER_DLL_TABLE "")
  foreach(dll IN LISTS PYTHON_DLLS)
    python_dll_release(${dll} release)
    string(APPEND LAUNCHER_DLL_TABLE "  Python ${release_PYTHON}\n    launcher-${release_STEM}.exe, launcherw-${release_STEM}.exe"
                                     " (bind ${dll})\n")
  endforeach()
  configure_file("${PROJECT_SOURCE_DIR}/packaging/README-windows.txt.in" README.txt @ONLY)
  install(FILES "${CMAKE_BINARY_DIR}/README.txt" DESTINATION .)
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "launcher-${PROJECT_VERSION}-${LAUNCHER_ARCHITECTURE}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  include(GNUInstallDirs)
  # A package for each Debian release, bound to that release's interpreter:
  # the Debian revision names the release the package was built on, so that
  # the files sit side by side and a release upgrade upgrades the package:
  #   launcher_1.0-1~deb12u1 (bookworm) < 1.0-1~deb13u1 (trixie) < 1.0-1 (sid)
  # Ubuntu's get ~ubuntu<version>.
  file(STRINGS /etc/os-release _os_release REGEX "^(ID|VERSION_ID|VERSION_CODENAME)=")
  set(_os_ID "")
  set(_os_VERSION_ID "")
  set(_os_VERSION_CODENAME unstable)
  foreach(_line IN LISTS _os_release)
    if(_line MATCHES "^([A-Z_]+)=\"?([^\"]*)\"?$")
      set(_os_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  if(_os_ID STREQUAL "debian" AND _os_VERSION_ID)
    set(LAUNCHER_DEB_REVISION "1~deb${_os_VERSION_ID}u1")
    set(LAUNCHER_DEB_DISTRIBUTION "${_os_VERSION_CODENAME}")
  elseif(_os_ID STREQUAL "ubuntu" AND _os_VERSION_ID)
    set(LAUNCHER_DEB_REVISION "1~ubuntu${_os_VERSION_ID}")
    set(LAUNCHER_DEB_DISTRIBUTION "${_os_VERSION_CODENAME}")
  else()
    set(LAUNCHER_DEB_REVISION 1)
    set(LAUNCHER_DEB_DISTRIBUTION unstable)
  endif()
  set(LAUNCHER_DEB_VERSION "${PROJECT_VERSION}-${LAUNCHER_DEB_REVISION}")

  # The manual page and the documents Debian's policy asks for, compressed as
  # it asks (gzip -9n: no name or time stamp inside).
  configure_file("${PROJECT_SOURCE_DIR}/packaging/launcher.1.in" launcher.1 @ONLY)
  configure_file("${PROJECT_SOURCE_DIR}/packaging/changelog.in" changelog.Debian @ONLY)
  foreach(document IN ITEMS launcher.1 changelog.Debian)
    add_custom_command(OUTPUT ${document}.gz COMMAND gzip -9n -c ${document} > ${document}.gz
                       DEPENDS "${CMAKE_BINARY_DIR}/${document}")
  endforeach()
  add_custom_target(documents ALL DEPENDS launcher.1.gz changelog.Debian.gz)
  install(FILES "${CMAKE_BINARY_DIR}/launcher.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES "${CMAKE_BINARY_DIR}/changelog.Debian.gz" "${PROJECT_SOURCE_DIR}/packaging/copyright"
          DESTINATION "${CMAKE_INSTALL_DOCDIR}")

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE "${LAUNCHER_DEB_REVISION}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The interpreter library the launcher binds, as dpkg-shlibdeps finds it:
  # the system's updates of it then reach every launcher.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # And the interpreter program the hosted interpreter finds its installation
  # from, which the launcher names as sys.executable.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${PYTHON_PROGRAM_PACKAGE}")
  set(CPACK_PACKAGE_DESCRIPTION "A copy of the launcher, or a link to it, named report.exe runs report.py in a
Python interpreter hosted in its own process: the first .exe (else .EXE) in
the path it was started by becomes .py. The script runs without the site
module, with no arguments, and ends with the exit status python3 gives it.")
endif()

include(CPack)
