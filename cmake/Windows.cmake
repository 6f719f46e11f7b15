# Windows build (MinGW-w64): the support modules, the lister, and the Windows-side
# test programs that run under Wine.
enable_language(RC)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# A release build (scripts/package.sh) gives the same bytes from the same commit
# wherever it is built: no source or build paths in the objects, no link time
# stamp in the PE header, no symbol table.
option(QUARVEL_RELEASE "Build the programs as released: reproducible and stripped" OFF)
if(QUARVEL_RELEASE)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=quarvel -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
  add_link_options(-Wl,--no-insert-timestamp -s)
endif()

add_library(quarvel_platform STATIC
  platform/AccountType.cpp
  platform/Clipboard.cpp
  platform/CommonFunction.cpp
  platform/Comparison.cpp
  platform/Elevation.cpp
  platform/ErrorBox.cpp
  platform/FedProcess.cpp
  platform/FileLines.cpp
  platform/FreshFile.cpp
  platform/InheritedHandles.cpp
  platform/LaunchAppSync.cpp
  platform/ListerRun.cpp
  platform/MessagePump.cpp
  platform/modAPIFilesAndPaths.cpp
  platform/modFindFilesAPI.cpp
  platform/modRegistry.cpp
  platform/modShellFileDisk.cpp
  platform/modVBFileDisk.cpp
  platform/OrdinarySearchView.cpp
  platform/OS_Detect.cpp
  platform/PrivateFolder.cpp
  platform/RegistryCalls.cpp
  platform/RegistryHives.cpp
  platform/ResourceFile.cpp
  platform/Shell.cpp
  platform/ShutDownNT.cpp
  platform/SystemError.cpp
  platform/SystemLibrary.cpp
  platform/WorkFolder.cpp
)
# version.dll and advpack.dll are loaded by full path (SystemLibrary), never imported.
target_link_libraries(quarvel_platform PUBLIC quarvel_core shlwapi shell32 ole32 user32 advapi32)

# A version resource for each program, from the project's version.
function(version_resource target description file_name)
  set(VERSION_DESCRIPTION ${description})
  set(VERSION_INTERNAL_NAME ${target})
  set(VERSION_FILE_NAME ${file_name})
  configure_file(${CMAKE_SOURCE_DIR}/resources/version.rc.in ${CMAKE_BINARY_DIR}/generated/${target}-version.rc @ONLY)
  set(${target}_VERSION_RC ${CMAKE_BINARY_DIR}/generated/${target}-version.rc PARENT_SCOPE)
endfunction()
version_resource(quarvel "Quarvel - finds files that Windows does not show" quarvel.exe)
version_resource(quarvel-scan "Quarvel console companion - reports files that Windows does not show" quarvel-scan.exe)
version_resource(locate "Quarvel's lister" locate.com)

# The lister: our own console program, written out as locate.com at run time.
add_executable(lister
  lister/main.cpp
  lister/AnsiName.cpp
  lister/DirectoryWalk.cpp
  lister/ListingOutput.cpp
  lister/NtDirectory.cpp
  lister/ReadAhead.cpp
  lister/RawNtfsSource.cpp
  lister/Recheck.cpp
  lister/UsnJournal.cpp
  platform/FreshFile.cpp
  ${locate_VERSION_RC}
)
set_target_properties(lister PROPERTIES OUTPUT_NAME locate)
target_link_libraries(lister PRIVATE quarvel_core)

# The lister embedded as resource type CUSTOM, id 101.
set(LISTER_FILE ${CMAKE_BINARY_DIR}/bin/locate.exe)
configure_file(resources/lister.rc.in ${CMAKE_BINARY_DIR}/generated/lister.rc @ONLY)
set(LISTER_RC ${CMAKE_BINARY_DIR}/generated/lister.rc)
set_source_files_properties(${LISTER_RC} PROPERTIES OBJECT_DEPENDS ${LISTER_FILE})

function(embed_lister target)
  target_sources(${target} PRIVATE ${LISTER_RC})
  add_dependencies(${target} lister)
endfunction()

# The program itself, one portable file.
set(QUARVEL_MANIFEST ${CMAKE_SOURCE_DIR}/resources/quarvel.manifest)
set(QUARVEL_VERSION_RC ${quarvel_VERSION_RC})
configure_file(resources/quarvel.rc.in ${CMAKE_BINARY_DIR}/generated/quarvel.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/quarvel.rc PROPERTIES
  OBJECT_DEPENDS "${LISTER_FILE};${QUARVEL_MANIFEST};${QUARVEL_VERSION_RC}")
add_library(quarvel_ui STATIC
  ui/clsToolTip.cpp
  ui/FrmEdit.cpp
  ui/ListFiller.cpp
  ui/MessageBoxStyle.cpp
  ui/WindowMetrics.cpp
  ui/WindowText.cpp
)
target_link_libraries(quarvel_ui PUBLIC quarvel_platform comctl32 gdi32 user32)
add_executable(quarvel WIN32
  app/Commands.cpp
  app/FrmFerrow.cpp
  app/LogReport.cpp
  app/main.cpp
  app/MainLayout.cpp
  app/Repair.cpp
  app/ResultLists.cpp
  app/ResultMenu.cpp
  app/ScanSteps.cpp
  app/StartUp.cpp
  app/WindowRepairHost.cpp
  ${CMAKE_BINARY_DIR}/generated/quarvel.rc
)
target_link_libraries(quarvel PRIVATE quarvel_ui)
# Aware of Remote Desktop session hosts: otherwise GetWindowsDirectoryA gives a
# per-user folder there.
target_link_options(quarvel PRIVATE -Wl,--tsaware)
add_dependencies(quarvel lister)

# The console companion: the same lister and comparison, JSON out. nlohmann/json
# (header-only, Debian's) is reached through a folder of its own, so the cross
# compiler never sees the rest of /usr/include.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/third_party)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/third_party/nlohmann SYMBOLIC)
add_executable(quarvel-scan console/main.cpp ${quarvel-scan_VERSION_RC})
target_include_directories(quarvel-scan SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/third_party)
target_compile_definitions(quarvel-scan PRIVATE QUARVEL_VERSION="${PROJECT_VERSION}")
target_link_libraries(quarvel-scan PRIVATE quarvel_platform)
# wmain: the command line in UTF-16.
target_link_options(quarvel-scan PRIVATE -Wl,--tsaware -municode)
embed_lister(quarvel-scan)

# Windows-side tests, run under Wine by ctest from the native build.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(wine_test_support STATIC tests/support/TempFolder.cpp)
target_link_libraries(wine_test_support PUBLIC quarvel_platform gtest)

add_executable(platform_tests
  tests/platform/CommonFunctionTest.cpp
  tests/platform/FileQueriesTest.cpp
  tests/platform/FindFilesTest.cpp
  tests/platform/FindFilesRecursiveTest.cpp
  tests/platform/HandleTest.cpp
  tests/platform/LaunchAppSyncTest.cpp
  tests/platform/OrdinarySearchViewTest.cpp
  tests/platform/PrivateFolderTest.cpp
  tests/platform/RegistryTest.cpp
  tests/platform/RegistryHivesTest.cpp
  tests/core/hive/TestHive.cpp
  tests/platform/ResourceFileTest.cpp
  tests/platform/RegStandInTest.cpp
  tests/platform/ShutDownNTTest.cpp
)
set_target_properties(platform_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(platform_tests PRIVATE wine_test_support gtest_main)
embed_lister(platform_tests)

# Programs with known version resources, for GetFileVersion.
foreach(versioned v1000 vbig)
  add_executable(${versioned} tests/platform/versioned/stub.c tests/platform/versioned/${versioned}.rc)
  set_target_properties(${versioned} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/versioned)
  add_dependencies(platform_tests ${versioned})
endforeach()
add_executable(unversioned tests/platform/versioned/stub.c)
set_target_properties(unversioned PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/versioned)
add_dependencies(platform_tests unversioned)

add_executable(lister_tests tests/lister/ListerTest.cpp tests/lister/AnsiNameTest.cpp tests/lister/NamePoolTest.cpp tests/lister/DirectoryWalkTest.cpp
  tests/lister/RecheckTest.cpp tests/lister/VisitedFoldersTest.cpp
  lister/AnsiName.cpp lister/DirectoryWalk.cpp lister/ListingOutput.cpp platform/FreshFile.cpp lister/ReadAhead.cpp
  lister/NtDirectory.cpp lister/RawNtfsSource.cpp lister/Recheck.cpp lister/UsnJournal.cpp)
set_target_properties(lister_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(lister_tests PRIVATE wine_test_support gtest_main)
embed_lister(lister_tests)

# The UI driver: reaches quarvel.exe through window messages only.
add_library(ui_driver STATIC tests/support/UiDriver.cpp)
target_include_directories(ui_driver PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(ui_driver PUBLIC user32 gdi32 comctl32)

foreach(drive drive-scan drive-tour)
  string(REPLACE "drive-" "" step ${drive})
  string(SUBSTRING ${step} 0 1 first)
  string(TOUPPER ${first} first)
  string(SUBSTRING ${step} 1 -1 rest)
  add_executable(${drive} tests/support/Drive${first}${rest}.cpp)
  set_target_properties(${drive} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${drive} PRIVATE ui_driver)
endforeach()

add_executable(e2e_tests tests/e2e/ScanScenarioTest.cpp tests/e2e/ResultScenarioTest.cpp tests/e2e/StealthScenarioTest.cpp
  tests/support/RegistryScene.cpp)
set_target_properties(e2e_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(e2e_tests PRIVATE ui_driver wine_test_support gtest_main)
target_include_directories(e2e_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/third_party)
add_dependencies(e2e_tests quarvel fake-lister)
# The repair scenarios; tests/e2e/repair-scenario.sh runs them in a prefix of their own.
add_executable(repair_tests
  tests/e2e/RepairMain.cpp
  tests/e2e/RepairRestartTest.cpp
  tests/e2e/RepairScenarioTest.cpp
  tests/support/RepairWorld.cpp
)
set_target_properties(repair_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(repair_tests PRIVATE ui_driver wine_test_support gtest)
add_dependencies(repair_tests quarvel reg-standin)
add_executable(fake-lister tests/support/FakeLister.c)
set_target_properties(fake-lister PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

# Benchmark: prints figures and ratios; never a timed test.
add_executable(scan-benchmark tests/bench/ScanBenchmark.cpp)
set_target_properties(scan-benchmark PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(scan-benchmark PRIVATE ui_driver quarvel_ui)
embed_lister(scan-benchmark)

add_executable(ui_tests tests/ui/ClsToolTipTest.cpp tests/ui/GdiOwnersTest.cpp tests/ui/MessageBoxStyleTest.cpp)
set_target_properties(ui_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(ui_tests PRIVATE quarvel_ui gtest_main)

# Test tool: starts a program with a DLL loaded before its own code.
add_executable(run-hooked tests/support/tools/RunHooked.cpp)
set_target_properties(run-hooked PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(run-hooked PRIVATE shell32)
add_dependencies(e2e_tests run-hooked quarvel-scan)

# Test tool: the registry scenarios' keys in Wine's registry (set or clear).
add_executable(registry-scene tests/support/tools/RegistryScene.cpp tests/support/RegistryScene.cpp)
set_target_properties(registry-scene PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(registry-scene PRIVATE advapi32)
target_include_directories(registry-scene PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(e2e_tests registry-scene)

# Test tool: a reg.exe with "save" and "restore" for the repair's tests.
add_executable(reg-standin tests/support/tools/RegStandIn.cpp)
set_target_properties(reg-standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/tools OUTPUT_NAME reg)
add_dependencies(platform_tests reg-standin)

# Test-only hider DLL for the stealth scenario; never part of the product.
add_library(hider SHARED tests/support/hider/Hider.cpp)
set_target_properties(hider PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_options(hider PRIVATE -static)
add_dependencies(e2e_tests hider)
# Test-only launch blocker: refuses the program's CreateProcessA as a policy would.
add_library(launch-blocker SHARED tests/support/hider/LaunchBlocker.cpp)
set_target_properties(launch-blocker PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_options(launch-blocker PRIVATE -static)
add_dependencies(e2e_tests launch-blocker)
# Test-only hider inside ntdll, following child processes (the stealth scenario on NTFS).
add_library(ntdll-hider SHARED tests/support/hider/NtdllHider.cpp)
set_target_properties(ntdll-hider PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_options(ntdll-hider PRIVATE -static)
add_dependencies(e2e_tests ntdll-hider)
