# Native build: the core's unit tests, plus the Windows build as an external
# project whose test programs ctest runs under Wine.
include(ExternalProject)
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(core_tests
  tests/core/AppInitDllsTest.cpp
  tests/core/ChangeJournalTest.cpp
  tests/core/DeviceNameTest.cpp
  tests/core/KeyContentsTest.cpp
  tests/core/LineSplitterTest.cpp
  tests/core/ListerCommandLineTest.cpp
  tests/core/ListingReaderTest.cpp
  tests/core/ListingViewsTest.cpp
  tests/core/LongWorkTest.cpp
  tests/core/PacerTest.cpp
  tests/core/ParsePathTest.cpp
  tests/core/RegistryValueTest.cpp
  tests/core/RepairStepsTest.cpp
  tests/core/RepairTextTest.cpp
  tests/core/ReportTextTest.cpp
  tests/core/ResultCommandsTest.cpp
  tests/core/ScanCommandLineTest.cpp
  tests/core/Sha256Test.cpp
  tests/core/VerdictTest.cpp
  tests/core/ScanDecisionTest.cpp
  tests/core/HeadingGuardTest.cpp
  tests/core/Wtf8Test.cpp
  tests/core/WildcardMatchTest.cpp
  tests/core/hive/AutostartKeysTest.cpp
  tests/core/hive/CrossViewTest.cpp
  tests/core/hive/HiveTest.cpp
  tests/core/hive/HiveListTest.cpp
  tests/core/hive/HiveLogTest.cpp
  tests/core/hive/TestHive.cpp
  tests/app/CommandListTest.cpp
  tests/core/ntfs/BootSectorTest.cpp
  tests/core/ntfs/ByteSourceTest.cpp
  tests/core/ntfs/FileDataTest.cpp
  tests/core/ntfs/FolderIndexTest.cpp
  tests/core/ntfs/MftRecordTest.cpp
  tests/core/ntfs/MftScanTest.cpp
  tests/core/ntfs/RunListTest.cpp
  tests/support/TestVolume.cpp
  tests/core/ntfs/VolumeIndexTest.cpp
)
target_link_libraries(core_tests PRIVATE quarvel_core GTest::gtest_main)
gtest_discover_tests(core_tests TEST_PREFIX "native." DISCOVERY_MODE PRE_TEST)

# The NTFS reader's command-line face, for the oracle test and the benchmark.
add_executable(ntfs-list tests/support/tools/NtfsList.cpp)
target_link_libraries(ntfs-list PRIVATE quarvel_core)
# The reader against The Sleuth Kit on images filled through ntfs-3g (root and FUSE, else skipped).
add_test(NAME ntfs.oracle
  COMMAND ${CMAKE_SOURCE_DIR}/tests/ntfs/oracle-test.sh $<TARGET_FILE:ntfs-list> ${CMAKE_BINARY_DIR}/ntfs-oracle 600)
set_tests_properties(ntfs.oracle PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900)
# NTFS images of millions of records written directly, for the benchmarks; a
# small one is checked against The Sleuth Kit here.
add_executable(make-ntfs-image tests/support/tools/MakeNtfsImage.cpp)
add_test(NAME ntfs.generated
  COMMAND ${CMAKE_SOURCE_DIR}/tests/ntfs/generated-test.sh $<TARGET_FILE:make-ntfs-image> $<TARGET_FILE:ntfs-list>
          ${CMAKE_BINARY_DIR}/ntfs-generated)
set_tests_properties(ntfs.generated PROPERTIES TIMEOUT 600)

# The hive reader's command-line face, for the oracle test and the benchmark.
add_executable(hive-dump tests/support/tools/HiveDump.cpp)
target_link_libraries(hive-dump PRIVATE quarvel_core)
# The reader against hivex, libregf and reglookup on hives hivex writes, and
# logs made from the pages two such hives differ in.
add_test(NAME hive.oracle
  COMMAND ${CMAKE_SOURCE_DIR}/tests/hive/oracle-test.sh $<TARGET_FILE:hive-dump> ${CMAKE_BINARY_DIR}/hive-oracle)
set_tests_properties(hive.oracle PROPERTIES TIMEOUT 900)

# The listing fuzzer (libFuzzer, clang): run for a bounded time by ctest.
find_program(CLANGXX clang++)
if(CLANGXX)
  set(FUZZER ${CMAKE_BINARY_DIR}/fuzz/listing-fuzzer)
  set(FUZZ_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/fuzz/ListingFuzzer.cpp
    ${CMAKE_SOURCE_DIR}/core/LineSplitter.cpp
    ${CMAKE_SOURCE_DIR}/core/ListingFormat.cpp
    ${CMAKE_SOURCE_DIR}/core/ListingReader.cpp
    ${CMAKE_SOURCE_DIR}/core/ListingViews.cpp
    ${CMAKE_SOURCE_DIR}/core/ChangeJournal.cpp
    ${CMAKE_SOURCE_DIR}/core/Recheck.cpp
    ${CMAKE_SOURCE_DIR}/core/ScanDecision.cpp
    ${CMAKE_SOURCE_DIR}/core/UnseenLine.cpp
    ${CMAKE_SOURCE_DIR}/core/DeviceName.cpp
    ${CMAKE_SOURCE_DIR}/core/Verdict.cpp
    ${CMAKE_SOURCE_DIR}/core/ViewTable.cpp
    ${CMAKE_SOURCE_DIR}/core/Text.cpp)
  add_custom_command(OUTPUT ${FUZZER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
    COMMAND ${CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I${CMAKE_SOURCE_DIR} ${FUZZ_SOURCES} -o ${FUZZER}
    DEPENDS ${FUZZ_SOURCES}
    COMMENT "Building the listing fuzzer")
  add_custom_target(listing_fuzzer ALL DEPENDS ${FUZZER})
  # New inputs go to a corpus in the build tree; the seeds stay as they are.
  add_test(NAME fuzz.listing
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            sh -c "mkdir -p corpus && exec ${FUZZER} -max_total_time=30 -timeout=5 -rss_limit_mb=1024 -max_len=1048576 corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_tests_properties(fuzz.listing PROPERTIES TIMEOUT 120)

  # The NTFS record fuzzer: records and run lists, alone and inside a small volume.
  set(NTFS_FUZZER ${CMAKE_BINARY_DIR}/fuzz/ntfs-record-fuzzer)
  file(GLOB NTFS_CORE_SOURCES ${CMAKE_SOURCE_DIR}/core/ntfs/*.cpp ${CMAKE_SOURCE_DIR}/core/Wtf8.cpp)
  set(NTFS_FUZZ_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/fuzz/NtfsRecordFuzzer.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/TestVolume.cpp
    ${NTFS_CORE_SOURCES})
  add_custom_command(OUTPUT ${NTFS_FUZZER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
    COMMAND ${CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${CMAKE_SOURCE_DIR} ${NTFS_FUZZ_SOURCES} -o ${NTFS_FUZZER}
    DEPENDS ${NTFS_FUZZ_SOURCES}
    COMMENT "Building the NTFS record fuzzer")
  add_custom_target(ntfs_record_fuzzer ALL DEPENDS ${NTFS_FUZZER})
  add_test(NAME fuzz.ntfs-record
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            sh -c "mkdir -p ntfs-corpus && exec ${NTFS_FUZZER} -max_total_time=30 -timeout=5 -rss_limit_mb=1024 -max_len=4096 ntfs-corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/ntfs-seeds"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_tests_properties(fuzz.ntfs-record PROPERTIES TIMEOUT 120)

  # The hive fuzzer: hive files, bins and transaction logs.
  set(HIVE_FUZZER ${CMAKE_BINARY_DIR}/fuzz/hive-fuzzer)
  file(GLOB HIVE_CORE_SOURCES ${CMAKE_SOURCE_DIR}/core/hive/*.cpp)
  set(HIVE_FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/HiveFuzzer.cpp ${HIVE_CORE_SOURCES})
  add_custom_command(OUTPUT ${HIVE_FUZZER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
    COMMAND ${CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${CMAKE_SOURCE_DIR} ${HIVE_FUZZ_SOURCES} -o ${HIVE_FUZZER}
    DEPENDS ${HIVE_FUZZ_SOURCES}
    COMMENT "Building the hive fuzzer")
  add_custom_target(hive_fuzzer ALL DEPENDS ${HIVE_FUZZER})
  add_test(NAME fuzz.hive
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            sh -c "mkdir -p hive-corpus && exec ${HIVE_FUZZER} -max_total_time=30 -timeout=5 -rss_limit_mb=1024 -max_len=65536 hive-corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/hive-seeds"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_tests_properties(fuzz.hive PROPERTIES TIMEOUT 120)
endif()

set(WIN_BUILD_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${WIN_BUILD_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON
)

# One throwaway Wine prefix, one wineserver and one virtual display per test run.
set(WINE_SESSION ${CMAKE_SOURCE_DIR}/tests/wine/session.sh)
set(WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/run.sh)
add_test(NAME wine.session.start COMMAND ${WINE_SESSION} start ${CMAKE_BINARY_DIR})
set_tests_properties(wine.session.start PROPERTIES TIMEOUT 300)
add_test(NAME wine.session.stop COMMAND ${WINE_SESSION} stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine)

# A hang fails its test after `timeout` seconds instead of stalling the run.
function(add_wine_test name exe timeout)
  add_test(NAME wine.${name} COMMAND ${WINE_RUN} ${CMAKE_BINARY_DIR} ${WIN_BUILD_DIR}/${exe})
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop TIMEOUT ${timeout})
endfunction()

add_wine_test(platform tests/platform_tests.exe 300)
add_wine_test(lister tests/lister_tests.exe 120)
add_wine_test(ui tests/ui_tests.exe 120)
add_wine_test(e2e tests/e2e_tests.exe 1200)
# ctest runs two tests at a time (scripts/test.sh): the long ones start first.
set_tests_properties(wine.session.start wine.e2e PROPERTIES COST 300)

# The console companion as scripts use it, its reports checked against their schema.
add_test(NAME wine.console COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/console-scenario.sh ${CMAKE_BINARY_DIR})
set_tests_properties(wine.console PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop TIMEOUT 300)

# Scans of a live volume: a writer churns files on drive D: (an NTFS image mounted
# read-write) while quarvel-scan reads it raw, twice with no hider and once with
# the ntdll hider; any false accusation or miss fails it (root and FUSE, else skipped).
add_test(NAME wine.churn COMMAND ${CMAKE_SOURCE_DIR}/tests/churn/churn-scenario.sh ${CMAKE_BINARY_DIR} 2 4 --guard)
set_tests_properties(wine.churn PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop SKIP_RETURN_CODE 77 TIMEOUT 300)

# The program's PE header and imports, as real Windows reads them.
add_test(NAME pe.quarvel COMMAND ${CMAKE_SOURCE_DIR}/tests/pe/check-quarvel.sh ${WIN_BUILD_DIR}/bin/quarvel.exe)

# Speed guard: the scan benchmark on a tree of 40 x 1,000 files fails the run when
# the compare takes over 4 times, or the lister over 3 times, one plain
# enumeration of the same tree (ratios from one run, with room for a noisy machine).
string(REPLACE "/" "\\" QUARVEL_EXE_WINE "Z:${WIN_BUILD_DIR}/bin/quarvel.exe")
add_test(NAME wine.speed COMMAND ${WINE_RUN} ${CMAKE_BINARY_DIR} ${WIN_BUILD_DIR}/tests/scan-benchmark.exe
  ${QUARVEL_EXE_WINE} "C:\\quarvel-speed-guard" 40 1000 --guard 4 3 --no-reference)
# It runs alone: a test beside it on the same cores would be timed with it.
set_tests_properties(wine.speed PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop RUN_SERIAL ON TIMEOUT 600)

# The registry repair, across a restart: a prefix of its own (see the script).
add_test(NAME wine.repair COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/repair-scenario.sh ${CMAKE_BINARY_DIR})
# Its prefix, server and display are its own: it runs beside the other Wine tests.
set_tests_properties(wine.repair PROPERTIES RESOURCE_LOCK wine_repair TIMEOUT 600 COST 180)
