# Install rules and the .deb package.
#
# `cmake --install <build> --prefix ~/.local` installs for one user: the program folder
# (program, library, data tool, data file side by side, as the program expects) in
# share/tervana under the prefix, where the user may write the data file back; the launcher
# in bin; the menu entry and icons under share. With a system prefix (/usr/local) the same
# layout is read-only for users, and the launcher gives each user a copy at the first start.
#
# The package (`cpack -G DEB` in the build folder) installs the program folder in
# /opt/tervana, the launcher as /usr/bin/tervana, the menu entry and the icons under
# /usr/share; it is made from the component "package", which a plain install leaves out.

# Installing and packaging take what the build made; they do not build the test suites first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(TERVANA_APPDIR "share/tervana" CACHE STRING
    "Program folder for `cmake --install`, relative to the install prefix")
set(TERVANA_PACKAGE_APPDIR "/opt/tervana")
set(_tervana_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(_tervana_icon_sizes 16 32 48 64 128 256)

# Rules for one layout: the program folder in `appdir`, the rest relative to the prefix.
function(tervana_install_layout component appdir)
    set(extra "")
    if(NOT component STREQUAL "user")
        set(extra EXCLUDE_FROM_ALL)
    endif()
    install(TARGETS tervana tervana-data RUNTIME DESTINATION ${appdir}
        COMPONENT ${component} ${extra})
    install(TARGETS Tolvane LIBRARY DESTINATION ${appdir} NAMELINK_SKIP
        COMPONENT ${component} ${extra})
    install(FILES ${TERVANA_OUTPUT_DIR}/YaoPin.XML DESTINATION ${appdir}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        COMPONENT ${component} ${extra})
    install(PROGRAMS ${_tervana_packaging}/tervana-launcher.sh DESTINATION bin RENAME tervana
        COMPONENT ${component} ${extra})
    install(FILES ${_tervana_packaging}/tervana.desktop DESTINATION share/applications
        COMPONENT ${component} ${extra})
    foreach(size IN LISTS _tervana_icon_sizes)
        install(FILES ${_tervana_packaging}/icons/tervana-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tervana.png
            COMPONENT ${component} ${extra})
    endforeach()
endfunction()

tervana_install_layout(user ${TERVANA_APPDIR})
tervana_install_layout(package ${TERVANA_PACKAGE_APPDIR})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tervana")
set(CPACK_PACKAGE_VENDOR "Tervana")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reference of over-the-counter medicines (Chinese)")
set(CPACK_PACKAGE_DESCRIPTION
    "Tervana lists over-the-counter medicines and shows their package-insert sections; the list can be filtered and the texts annotated. Each user gets their own copy of the data file at the first start.")
set(CPACK_PACKAGE_CONTACT "Tervana maintainers <tervana@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libqt6network6 (>= 6.4), libqt6dbus6, libpugixml1v5, libxxhash0, fonts-arphic-uming, fonts-wqy-zenhei")
set(CPACK_COMPONENTS_ALL package)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
