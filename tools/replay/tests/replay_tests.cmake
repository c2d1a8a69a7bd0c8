# CTest cases that drive vqm-replay as a user does: bad bar files must give a one-line error
# naming the line and a non-zero exit; a good file replays; standard input replays and an
# indicator that gives nothing is warned of; a run writes nothing outside its output
# directory; the sample and the fixtures are what their scripts write; under Wine the
# Windows build must write the same CSV bytes as the native build.
set(VQM_REPLAY_CHECK ${CMAKE_CURRENT_LIST_DIR}/check_replay.cmake)
set(VQM_REPLAY_WORK ${CMAKE_BINARY_DIR}/replay_tests)
if(WIN32)
  set(VQM_REPLAY_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  set(VQM_REPLAY_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR})
else()
  set(VQM_REPLAY_ENV "VQM_DRIVE_ROOT=${CMAKE_BINARY_DIR}/drives")
  set(VQM_REPLAY_EMULATOR "")
endif()

set(VQM_REPLAY_CASES letter_in_price missing_column empty_file long_line missing_file
    bars_out_of_order bad_parameter good_file)
if(WIN32)
  list(APPEND VQM_REPLAY_CASES same_csv_as_native stdin_and_nothing_warned)
else()
  # Under Wine the DLL keeps the program's folder and the prefix's C: drive.
  list(APPEND VQM_REPLAY_CASES sample_matches_generator fixtures_match_generator
       writes_only_under_out stdin_and_nothing_warned)
endif()
foreach(case ${VQM_REPLAY_CASES})
  add_test(NAME replay_${case}
           COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:vqm-replay>
                   "-DEMULATOR=${VQM_REPLAY_EMULATOR}" -DWORK=${VQM_REPLAY_WORK}/${case}
                   -DCASE=${case} -DNATIVE_BUILD=${CMAKE_SOURCE_DIR}/build/native
                   -P ${VQM_REPLAY_CHECK})
  set_tests_properties(replay_${case} PROPERTIES ENVIRONMENT "${VQM_REPLAY_ENV}"
                       SKIP_REGULAR_EXPRESSION "SKIPPED:" TIMEOUT 300)
endforeach()

# Unit tests of the tool's parts: bar parsing, options, the chart's ribbon against the
# library's, the CSV and SVG writers.
if(WIN32)
  set(VQM_REPLAY_GTEST gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VQM_REPLAY_GTEST GTest::gtest GTest::gtest_main)
endif()
file(GLOB VQM_REPLAY_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
add_executable(vqm_replay_tests ${VQM_REPLAY_TEST_SOURCES})
target_link_libraries(vqm_replay_tests PRIVATE vqm_replay ${VQM_REPLAY_GTEST})
target_compile_definitions(vqm_replay_tests PRIVATE
                           VQM_REPLAY_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
add_test(NAME replay_unit_tests COMMAND vqm_replay_tests --gtest_color=no)
set_tests_properties(replay_unit_tests PROPERTIES ENVIRONMENT "${VQM_REPLAY_ENV}" TIMEOUT 300)
