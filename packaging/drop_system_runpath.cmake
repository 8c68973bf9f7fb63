# Run by the install (packaging/CMakeLists.txt): removes the RUNPATH of the installed program or
# library vant_installed (relative to the prefix) when this install puts the library, vant_libdir, in a
# folder the system searches anyway (one of vant_system_dirs), as a /usr install does.
cmake_path(SET libdir NORMALIZE "${CMAKE_INSTALL_PREFIX}/${vant_libdir}")
string(REGEX REPLACE "(.)/+$" "\\1" libdir "${libdir}")
list(FIND vant_system_dirs "${libdir}" system_dir)  # install scripts know no IN_LIST
if(NOT system_dir EQUAL -1)
    file(RPATH_REMOVE FILE "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${vant_installed}")
endif()
