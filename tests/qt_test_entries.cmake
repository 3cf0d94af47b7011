# The CTest tests of a Qt Test program, taken from the program itself, so that a new test function
# or data row runs with no change here. Included by tests/CMakeLists.txt, and by CTest through the
# file that add_qt_test_entries writes.

# CTest reads this file with no policies set.
cmake_policy(VERSION 3.16)

# Registers the test program `name` (a target) with CTest, run with the variables ENVIRONMENT
# ("NAME=value" each) and with the test properties PROPERTIES. It is one test, running the whole
# program, unless a long program's parts should run side by side:
#   ROWS_APART function...  each data row of these functions is a test, <name>_<row>, running that
#                           row of each of them; the other functions run together as <name>;
#   FUNCTIONS_APART         each function is a test, <name>_<function>.
# CTest lists the parts when it starts, from the program's -datatags, and again once the program
# is rebuilt.
function(add_qt_test_entries name)
    cmake_parse_arguments(PARSE_ARGV 1 arg FUNCTIONS_APART "" "ROWS_APART;ENVIRONMENT;PROPERTIES")
    if(NOT arg_FUNCTIONS_APART AND NOT arg_ROWS_APART)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}" ${arg_PROPERTIES})
        return()
    endif()
    get_target_property(emulator ${name} CROSSCOMPILING_EMULATOR)
    if(NOT emulator)
        set(emulator "")
    endif()
    # Each argument in brackets, so that a list stays one argument.
    set(arguments)
    foreach(argument ${name} $<TARGET_FILE:${name}> ${CMAKE_CURRENT_BINARY_DIR}/${name}_tests.cmake
            ${CMAKE_COMMAND} "${emulator}" "${arg_ENVIRONMENT}" "${arg_FUNCTIONS_APART}"
            "${arg_ROWS_APART}" "${arg_PROPERTIES}")
        string(APPEND arguments " [==[${argument}]==]")
    endforeach()
    set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_include.cmake)
    file(GENERATE OUTPUT ${include_file} CONTENT
         "include([==[${CMAKE_CURRENT_FUNCTION_LIST_FILE}]==])\nadd_listed_qt_tests(${arguments})\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()

# Run by CTest: adds the tests of `program` from `list_file`, which it writes first when the program,
# or how it is split, is newer.
function(add_listed_qt_tests name program list_file cmake emulator environment functions_apart
         rows_apart properties)
    foreach(source "${program}" "${CMAKE_CURRENT_LIST_FILE}" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}")
        if(NOT EXISTS "${list_file}" OR "${source}" IS_NEWER_THAN "${list_file}")
            write_qt_test_list()
            break()
        endif()
    endforeach()
    include("${list_file}")
endfunction()

# The program's functions, and the rows of each, from its -datatags: lines "Class function" or
# "Class function row", CR LF on Windows. Anything else it prints (a warning) is passed over.
# Run with the tests' environment: filling the rows needs the program's headless platform.
function(read_qt_test_listing)
    execute_process(COMMAND "${cmake}" -E env ${environment} ${emulator} "${program}" -datatags
                    OUTPUT_VARIABLE listing ERROR_QUIET RESULT_VARIABLE status TIMEOUT 120)
    set(class "")
    set(functions)
    set(functions_with_rows)
    set(rows)
    if(status EQUAL 0)
        string(REPLACE "\r" "" listing "${listing}")
        string(REGEX MATCHALL "[^\n;]+" lines "${listing}")
        foreach(line IN LISTS lines)
            if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*) ([A-Za-z_][A-Za-z0-9_]*)( (.+))?$")
                continue()
            elseif(class STREQUAL "")
                set(class ${CMAKE_MATCH_1})
            elseif(NOT class STREQUAL CMAKE_MATCH_1)
                continue()
            endif()
            list(APPEND functions ${CMAKE_MATCH_2})
            if(CMAKE_MATCH_2 IN_LIST rows_apart AND NOT CMAKE_MATCH_4 STREQUAL "")
                list(APPEND rows "${CMAKE_MATCH_4}")
                list(APPEND row_${CMAKE_MATCH_4} "${CMAKE_MATCH_2}:${CMAKE_MATCH_4}")
                list(APPEND functions_with_rows ${CMAKE_MATCH_2})
            endif()
        endforeach()
        list(REMOVE_DUPLICATES functions)
        list(REMOVE_DUPLICATES rows)
    endif()
    set(functions ${functions} PARENT_SCOPE)
    set(functions_with_rows ${functions_with_rows} PARENT_SCOPE)
    set(rows ${rows} PARENT_SCOPE)
    foreach(row IN LISTS rows)
        set(row_${row} ${row_${row}} PARENT_SCOPE)
    endforeach()
endfunction()

# Writes `list_file`: the program's tests. A program that cannot be listed runs whole, as one
# test, so that a listing that fails never leaves a function unrun.
function(write_qt_test_list)
    set(functions)
    if(EXISTS "${program}")
        read_qt_test_listing()
    endif()
    set(tests)
    if(NOT functions)
        list(APPEND tests ${name})
    elseif(functions_apart)
        foreach(function IN LISTS functions)
            list(APPEND tests ${name}_${function})
            set(arguments_${name}_${function} ${function})
        endforeach()
    else()
        foreach(row IN LISTS rows)
            list(APPEND tests ${name}_${row})
            set(arguments_${name}_${row} ${row_${row}})
        endforeach()
        # The rest together. A function named apart that has no rows runs here, and one that the
        # program lacks fails here.
        set(rest ${functions} ${rows_apart})
        list(REMOVE_DUPLICATES rest)
        foreach(function IN LISTS functions_with_rows)
            list(REMOVE_ITEM rest ${function})
        endforeach()
        if(rest)
            list(APPEND tests ${name})
            set(arguments_${name} ${rest})
        endif()
    endif()

    set(content "")
    foreach(test IN LISTS tests)
        string(APPEND content "add_test([==[${test}]==]")
        foreach(word IN LISTS emulator program arguments_${test})
            string(APPEND content " [==[${word}]==]")
        endforeach()
        string(APPEND content ")\nset_tests_properties([==[${test}]==] PROPERTIES ENVIRONMENT "
                              "[==[${environment}]==]")
        foreach(word IN LISTS properties)
            string(APPEND content " [==[${word}]==]")
        endforeach()
        string(APPEND content ")\n")
    endforeach()
    file(WRITE "${list_file}" "${content}")
endfunction()
