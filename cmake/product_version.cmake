# Stamps the one version number (project() in CMakeLists.txt) on the product: a versioned
# soname for libVQM_FUNC1.so, a version resource in VQM_FUNC1.DLL that Windows shows in the
# file's properties, and no symbols in a Release build.
if(NOT TARGET VQM_FUNC1)
  return()
endif()

set(VQM_COPYRIGHT "Copyright (c) 2026 VQM_FUNC1 contributors. MIT licence.")

if(WIN32)
  # windres runs as a custom command: the compile options of the C++ sources (-Wall, -msse2,
  # ...) are not options windres knows.
  set(VQM_RC_FILE ${CMAKE_BINARY_DIR}/generated/VQM_FUNC1_version.rc)
  set(VQM_RC_OBJECT ${CMAKE_BINARY_DIR}/generated/VQM_FUNC1_version.o)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/VQM_FUNC1_version.rc.in ${VQM_RC_FILE} @ONLY)
  add_custom_command(
    OUTPUT ${VQM_RC_OBJECT}
    COMMAND ${CMAKE_RC_COMPILER} --preprocessor=${CMAKE_C_COMPILER} --preprocessor-arg=-E
            --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED
            -O coff -i ${VQM_RC_FILE} -o ${VQM_RC_OBJECT}
    DEPENDS ${VQM_RC_FILE}
    COMMENT "Version resource of VQM_FUNC1.DLL")
  # The library is defined in another folder: a target here carries the command, and the
  # object is marked generated where the library is.
  add_custom_target(VQM_FUNC1_version_resource DEPENDS ${VQM_RC_OBJECT})
  add_dependencies(VQM_FUNC1 VQM_FUNC1_version_resource)
  set_source_files_properties(${VQM_RC_OBJECT} TARGET_DIRECTORY VQM_FUNC1
                              PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
  target_sources(VQM_FUNC1 PRIVATE ${VQM_RC_OBJECT})
else()
  # libVQM_FUNC1.so.1.0.0, with the soname libVQM_FUNC1.so.1 and the link libVQM_FUNC1.so.
  set_target_properties(VQM_FUNC1 PROPERTIES VERSION ${PROJECT_VERSION}
                                             SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

# A release build ships without symbols: the DLL stays small and shows no internal names.
target_link_options(VQM_FUNC1 PRIVATE $<$<CONFIG:Release>:-s>)
