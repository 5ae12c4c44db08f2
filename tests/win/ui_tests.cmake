# Tests of the UI toolkit, the window helpers and the base forms. Windows need a display: the test
# runs on a private Xvfb display in a Wine prefix of its own (its wineserver is restarted for that
# display, which must not disturb the tests sharing the main prefix).
lusetup_add_test(win_ui_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/UiToolkitTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/BaseFormsTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/VclUtilsTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/DialogsTest.cpp
    LIBS luforms)
luui_add_manifest(win_ui_tests AS_INVOKER)
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    set_target_properties(win_ui_tests PROPERTIES CROSSCOMPILING_EMULATOR
        "${CMAKE_CURRENT_SOURCE_DIR}/xvfb-wine.sh;--prefix=${CMAKE_BINARY_DIR}/wineprefix-ui")
    set_tests_properties(win_ui_tests PROPERTIES RUN_SERIAL FALSE TIMEOUT 900)
endif()

# Galleries for the screenshots of tests/win/screenshots.sh: every control in every state, and the
# installer's dialogs in each language.
add_executable(ui_gallery ${CMAKE_CURRENT_SOURCE_DIR}/UiGallery.cpp ${CMAKE_CURRENT_SOURCE_DIR}/GalleryShots.cpp)
target_link_libraries(ui_gallery PRIVATE luforms)
luui_add_manifest(ui_gallery AS_INVOKER)

add_executable(dialogs_gallery ${CMAKE_CURRENT_SOURCE_DIR}/DialogsGallery.cpp ${CMAKE_CURRENT_SOURCE_DIR}/GalleryShots.cpp)
target_link_libraries(dialogs_gallery PRIVATE luforms)
luui_add_manifest(dialogs_gallery AS_INVOKER)

# The uninstaller's window, in each language and state.
add_executable(uninstall_gallery ${CMAKE_CURRENT_SOURCE_DIR}/UninstallGallery.cpp ${CMAKE_CURRENT_SOURCE_DIR}/GalleryShots.cpp)
target_link_libraries(uninstall_gallery PRIVATE luuninstwin)
luui_add_manifest(uninstall_gallery AS_INVOKER)

lusetup_add_test(uninstaller_ui_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/UninstallFormTest.cpp
    LIBS luuninstwin)
luui_add_manifest(uninstaller_ui_tests AS_INVOKER)
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    set_target_properties(uninstaller_ui_tests PROPERTIES CROSSCOMPILING_EMULATOR
        "${CMAKE_CURRENT_SOURCE_DIR}/xvfb-wine.sh;--prefix=${CMAKE_BINARY_DIR}/wineprefix-ui-uninstall")
    set_tests_properties(uninstaller_ui_tests PROPERTIES RUN_SERIAL FALSE TIMEOUT 600)
endif()
