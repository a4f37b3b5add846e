# Build options shared by every target.

set(LEXORA_SANITIZE "" CACHE STRING "Build with a sanitizer: address, thread or undefined")
set_property(CACHE LEXORA_SANITIZE PROPERTY STRINGS "" address thread undefined)

if(LEXORA_SANITIZE)
    add_compile_options(-fsanitize=${LEXORA_SANITIZE} -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${LEXORA_SANITIZE})
endif()

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

# Adds each listed subdirectory that has a CMakeLists.txt, so areas can be
# brought in one at a time.
macro(lexora_add_optional_subdirectories)
    foreach(_lexora_dir ${ARGN})
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_lexora_dir}/CMakeLists.txt)
            add_subdirectory(${_lexora_dir})
        endif()
    endforeach()
endmacro()

# libFuzzer targets in fuzz/, built with clang. Everything is compiled with
# coverage feedback for the fuzzer and with AddressSanitizer and
# UndefinedBehaviorSanitizer; any undefined behaviour stops the run.
option(LEXORA_FUZZ "Build the fuzz targets (needs clang)" OFF)
if(LEXORA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "LEXORA_FUZZ needs clang: configure with CMAKE_CXX_COMPILER=clang++")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
