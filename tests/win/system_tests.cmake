# Tests of the Windows system helpers and the package module (luwin).
enable_language(RC)

# A child process for the tests: writes to its output, exits with a given code, holds a file open.
add_executable(win_test_helper data/TestHelper.cpp)
target_link_options(win_test_helper PRIVATE -municode)

# A program that imports a function of a DLL that exists nowhere: the loader cannot start it, but
# its resources must still be readable as a package.
set(LUSETUP_ABSENT_DEF ${CMAKE_CURRENT_SOURCE_DIR}/data/absent.def)
set(LUSETUP_ABSENT_LIB ${CMAKE_CURRENT_BINARY_DIR}/libabsent.a)
add_custom_command(OUTPUT ${LUSETUP_ABSENT_LIB}
    COMMAND ${CMAKE_DLLTOOL} -d ${LUSETUP_ABSENT_DEF} -l ${LUSETUP_ABSENT_LIB}
    DEPENDS ${LUSETUP_ABSENT_DEF}
    COMMENT "Import library of a DLL that does not exist")
add_custom_target(win_test_absent_lib DEPENDS ${LUSETUP_ABSENT_LIB})
add_executable(win_test_badimport data/BadImport.c)
add_dependencies(win_test_badimport win_test_absent_lib)
target_link_libraries(win_test_badimport PRIVATE ${LUSETUP_ABSENT_LIB})

lusetup_add_test(win_system_tests
    SOURCES
        WinTestSupport.cpp
        SystemFilesTest.cpp
        SystemProcessTest.cpp
        SystemInfoTest.cpp
        PackageModuleTest.cpp
        data/self.rc
    LIBS lupackagewin)
# The tests find their helper programs next to themselves.
add_dependencies(win_system_tests win_test_helper win_test_badimport)
