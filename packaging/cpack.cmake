# The Debian packages, split the Debian way, one per install component: runtime (the shared
# library alone), dev (what programs built against it need), host (vantrel), receiver (tembra)
# and tools (vantctl, termsim, linkbench). Included by the top-level CMakeLists.txt after every
# folder, so every install rule is known; scripts/package.sh runs cpack. Each package also
# carries share/doc/<package>/copyright and changelog.gz. The release is the project()'s.
set(VANT_PACKAGE_CONTACT "Vantlink developers <vantlink@example.org>")
set(VANT_PACKAGE_COMPONENTS "")
set(vant_docs ${CMAKE_CURRENT_BINARY_DIR}/packaging/doc)

# vant_debian_package(COMPONENT PACKAGE SECTION SUMMARY DESCRIPTION): the package of one
# component, with its documents.
macro(vant_debian_package component package section summary description)
    string(TOUPPER ${component} vant_upper)
    list(APPEND VANT_PACKAGE_COMPONENTS ${component})
    set(CPACK_DEBIAN_${vant_upper}_PACKAGE_NAME ${package})
    set(CPACK_DEBIAN_${vant_upper}_PACKAGE_SECTION ${section})
    set(CPACK_COMPONENT_${vant_upper}_DESCRIPTION "${summary}\n${description}")

    set(package ${package})
    set(version ${PROJECT_VERSION})
    set(contact ${VANT_PACKAGE_CONTACT})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
        ${vant_docs}/${package}/changelog @ONLY)
    execute_process(COMMAND gzip -9nc ${vant_docs}/${package}/changelog
        OUTPUT_FILE ${vant_docs}/${package}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
                  ${vant_docs}/${package}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endmacro()

vant_debian_package(runtime libvantlink7 libs
    "link library for data-collection terminals on a serial line"
    "The shared library libvantlink.so.7: serial port, framed protocol and
one C function per terminal operation (polling, file transfers,
inquiries, set-up, modem), used by vantrel and the vantlink tools.")
vant_debian_package(dev libvantlink-dev libdevel
    "link library for data-collection terminals - development files"
    "The header vantlink.h, the link libvantlink.so, the pkg-config file
vantlink.pc and the CMake package (find_package(vantlink) gives
vantlink::vantlink) for building programs against libvantlink.")
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
if(TARGET vantrel)
    vant_debian_package(host vantrel comm
        "host program for data-collection terminals on a serial line"
        "vantrel polls, loads and sets up the data-collection terminals that
share one RS232 line, in a window or unattended from its command line or
a batch script. It keeps its settings, error log, poll data and uploaded
files in the folder it is started from.")
    set(CPACK_COMPONENT_HOST_DEPENDS runtime)
endif()
if(TARGET tembra)
    vant_debian_package(receiver tembra comm
        "receiver of the text lines a terminal sends on a serial line"
        "tembra stores the text lines one terminal sends over an RS232 line in an
output file, until a line holds END. Its window is in Italian; it stands
alone and needs no link library.")
endif()
vant_debian_package(tools vantlink-tools comm
    "command-line tools for data-collection terminals"
    "vantctl runs every operation of the link library from the command line,
termsim simulates terminals and a modem on a pseudo-terminal, and
linkbench measures the link's throughput, latency and CPU use against
termsim.")
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantlink)
set(CPACK_PACKAGE_VENDOR "Vantlink developers")
set(CPACK_PACKAGE_CONTACT ${VANT_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${VANT_PACKAGE_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: from dpkg-shlibdeps (Qt, the C++ run-time) and, for the packages whose programs use
# libvantlink, the library package of the same release.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
get_target_property(vant_library_dir vantlink BINARY_DIR)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${vant_library_dir})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# A cross build's packages are for the machine it built for, and their Depends come from the
# cross toolchain's libraries, named as the packages that machine installs.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
    list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS /usr/aarch64-linux-gnu/lib)
    set(vant_cross_config ${CMAKE_CURRENT_BINARY_DIR}/packaging/cross_config.cmake)
    file(WRITE ${vant_cross_config} "set(SHLIBDEPS_EXECUTABLE
        ${PROJECT_SOURCE_DIR}/packaging/debian/cross-shlibdeps arm64)\n")
    set(CPACK_PROJECT_CONFIG_FILE ${vant_cross_config})
endif()
# The library package says which package provides libvantlink.so.7 and has ldconfig run.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
include(CPack)
