# Install rules and packages.
#
# Linux: `cmake --install` lays out a prefix with the library (lib/, versioned soname), the
# public headers (include/vqm/), vqm-replay (bin/), the Python package (lib/python/vqm, when
# python/vqm exists), the docs (share/doc/VQM_FUNC1) and a CMake package config
# (lib/cmake/VQM) so that find_package(VQM) gives the target VQM::VQM_FUNC1. CPack packs the
# prefix as VQM_FUNC1-<version>-Linux-x86_64.tar.gz.
#
# Windows: what a trader installs, packed as VQM_FUNC1-<version>-win64.zip: the DLL, the script
# declarations and sample scripts (script/), the install guide, the licence and the changelog.
if(NOT TARGET VQM_FUNC1)
  return()
endif()
include(GNUInstallDirs)

set(VQM_DOC_FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/CHANGELOG.md)

if(WIN32)
  install(TARGETS VQM_FUNC1 RUNTIME DESTINATION .)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/script/ DESTINATION script)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/install-windows.md ${CMAKE_SOURCE_DIR}/docs/exports.md
                ${CMAKE_SOURCE_DIR}/docs/indicators.md
                ${VQM_DOC_FILES} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  install(TARGETS VQM_FUNC1 EXPORT VQMTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  if(EXISTS ${CMAKE_SOURCE_DIR}/include)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
    target_include_directories(VQM_FUNC1 INTERFACE
                               $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/include>
                               $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  endif()
  if(TARGET vqm-replay)
    install(TARGETS vqm-replay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The installed tool finds the library from bin/ in the prefix's library folder.
    target_compile_definitions(vqm_testing PRIVATE VQM_INSTALL_LIBDIR="${CMAKE_INSTALL_LIBDIR}")
  endif()
  # Not a system location: a researcher adds <prefix>/lib/python to PYTHONPATH.
  set(VQM_INSTALL_PYTHONDIR ${CMAKE_INSTALL_LIBDIR}/python CACHE STRING
      "Where cmake --install puts the Python package, relative to the prefix")
  if(EXISTS ${CMAKE_SOURCE_DIR}/python/vqm)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/python/vqm DESTINATION ${VQM_INSTALL_PYTHONDIR}
            PATTERN __pycache__ EXCLUDE)
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${VQM_DOC_FILES}
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})

  include(CMakePackageConfigHelpers)
  set(VQM_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VQM)
  install(EXPORT VQMTargets NAMESPACE VQM:: DESTINATION ${VQM_CMAKE_DIR})
  configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VQMConfig.cmake.in
                                ${CMAKE_BINARY_DIR}/generated/VQMConfig.cmake
                                INSTALL_DESTINATION ${VQM_CMAKE_DIR})
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/VQMConfigVersion.cmake
                                   VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_BINARY_DIR}/generated/VQMConfig.cmake
                ${CMAKE_BINARY_DIR}/generated/VQMConfigVersion.cmake
          DESTINATION ${VQM_CMAKE_DIR})
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME Linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

# The public header agrees with the library's own declarations: a C function declared twice
# with different arguments does not compile.
if(VQM_BUILD_TESTS AND EXISTS ${CMAKE_SOURCE_DIR}/include/vqm/exports.h)
  add_library(vqm_public_header_check OBJECT
              ${CMAKE_CURRENT_LIST_DIR}/package_check/public_header_check.cpp)
  target_include_directories(vqm_public_header_check PRIVATE ${CMAKE_SOURCE_DIR}/src
                             ${CMAKE_SOURCE_DIR}/include)
endif()

set(CPACK_PACKAGE_NAME VQM_FUNC1)
set(CPACK_PACKAGE_VENDOR "VQM_FUNC1 contributors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Indicator, data-exchange and alert functions for MultiCharts64 scripts")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_FILE_NAME VQM_FUNC1-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
# A package holds only what the release build presets build, not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
