# lexora_add_test(<name> SOURCES <files...> LIBRARIES <targets...> LABELS <labels...>
#                 [ENVIRONMENT <VAR=value...>] [TIMEOUT <seconds>])
#
# Builds one Qt Test executable and registers it with CTest. Widgets run on the
# offscreen platform so that tests need no display.
# `lexora_tests` builds every test and what the tests need, without the
# benchmarks, for the sanitizer builds.
if(NOT TARGET lexora_tests)
    add_custom_target(lexora_tests)
endif()

function(lexora_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS;ENVIRONMENT" ${ARGN})
    qt_add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    target_compile_definitions(${name} PRIVATE
        LEXORA_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
        LEXORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        LEXORA_BINARY_DIR="${PROJECT_BINARY_DIR}")
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
    add_test(NAME ${name} COMMAND ${name})
    add_dependencies(lexora_tests ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=*.debug=false;${ARG_ENVIRONMENT}")
endfunction()
