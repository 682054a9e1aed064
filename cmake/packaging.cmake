# Debian packages (`make package`): "quire" holds the shared libraries and
# the tools, "quire-dev" the headers, the CMake package files and the
# pkg-config files. Built from an install under /usr.
if(NOT PROJECT_IS_TOP_LEVEL OR NOT QUIRE_INSTALL)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quire)
set(CPACK_PACKAGE_VENDOR quire)
set(CPACK_PACKAGE_CONTACT "quire developers <quire@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Exact decimal numbers, pretty printing, terminal control and text building blocks")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quire)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME quire-dev)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS
  "libc6, libstdc++6 (>= 12), libgcc-s1, libgmp10, libgmpxx4ldbl, libutf8proc2, libsimdjson14")
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "quire (= ${PROJECT_VERSION}), libgmp-dev, libutf8proc-dev, pkg-config")
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS "libfmt-dev")
# The shared libraries live in the loader's own directory: refresh its cache.
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS OFF)
include(CPack)
