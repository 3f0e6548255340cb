# What `cmake --install` lays out, in Debian's places, by package: the library
# (libcorvane32-1), what a developer builds against (libcorvane32-dev), the
# commands (corvane) and the Python package (python3-corvane).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(lib_component libcorvane32-1)
set(dev_component libcorvane32-dev)
set(cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/corvane32)

install(TARGETS corvane32 EXPORT corvane32-targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${lib_component} NAMELINK_COMPONENT ${dev_component})
install(DIRECTORY include/corvane32 include/corvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT ${dev_component})
install(EXPORT corvane32-targets NAMESPACE corvane32:: DESTINATION ${cmake_package_dir} COMPONENT ${dev_component})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/corvane32-config-version.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES dist/corvane32-config.cmake ${CMAKE_BINARY_DIR}/corvane32-config-version.cmake
        DESTINATION ${cmake_package_dir} COMPONENT ${dev_component})

# The pkg-config file names the prefix installed to, known only when installing
# (`cmake --install --prefix`, or /usr for the Debian packages).
configure_file(dist/corvane32.pc.in ${CMAKE_BINARY_DIR}/corvane32.pc.in @ONLY)
install(CODE "
  file(READ \"${CMAKE_BINARY_DIR}/corvane32.pc.in\" pc)
  string(REPLACE \"%PREFIX%\" \"\${CMAKE_INSTALL_PREFIX}\" pc \"\${pc}\")
  file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/corvane32.pc\" \"\${pc}\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/corvane32.pc\")"
  COMPONENT ${dev_component})

if(TARGET corvane AND TARGET corvane-dc)
  install(TARGETS corvane corvane-dc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane)
  # Man pages carry the version and go compressed, as Debian keeps them.
  foreach(page corvane.1 corvane-dc.1)
    set(VERSION ${PROJECT_VERSION})
    configure_file(dist/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
                       COMMAND gzip -9nkf ${page} DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man)
    list(APPEND man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT corvane)
  install(FILES dist/bash-completion/corvane DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          COMPONENT corvane)
endif()

install(DIRECTORY python/corvane DESTINATION lib/python3/dist-packages COMPONENT python3-corvane
        PATTERN __pycache__ EXCLUDE)
