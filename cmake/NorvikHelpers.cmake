# Compiler settings shared by every target of the project.
add_library(norvik_compile_options INTERFACE)
target_compile_options(norvik_compile_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
target_compile_definitions(norvik_compile_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER)
if(NORVIK_WERROR)
    target_compile_options(norvik_compile_options INTERFACE -Werror)
endif()
# Every target links norvik_compile_options, so the sanitisers reach the
# client, the server, the tests and their helpers alike. Undefined behaviour
# stops the program instead of printing a line a passing test would hide.
if(NORVIK_SANITIZE)
    target_compile_options(norvik_compile_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(norvik_compile_options INTERFACE -fsanitize=address,undefined)
endif()

# norvik_add_test(NAME name SOURCES ... [LIBRARIES ...] [ENVIRONMENT ...] [LABELS ...])
# One Qt Test executable per class or screen, run offscreen with a private
# configuration directory so no test touches the developer's own settings.
function(norvik_add_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT;LABELS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test norvik_compile_options ${ARG_LIBRARIES})
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # Drafts and remembered ticket statuses never land in the developer's own
    # state directory; tests that read them set their own.
    set(environment "QT_QPA_PLATFORM=offscreen;XDG_STATE_HOME=${CMAKE_BINARY_DIR}/tests-state/${ARG_NAME}")
    # The texts the tests compare are the French ones: an English desktop
    # would load the English catalogue. Qt reads the language from these
    # variables, so the French locale need not be installed on the machine.
    list(APPEND environment "LANG=fr_FR.UTF-8" "LC_ALL=fr_FR.UTF-8" "LANGUAGE=fr_FR.UTF-8")
    if(TARGET norvik-server)
        list(APPEND environment "NORVIK_SERVER_BIN=$<TARGET_FILE:norvik-server>")
    endif()
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "${environment};${ARG_ENVIRONMENT}")
endfunction()
