# kestrine_add_test(<name> SOURCES <files...> [LABELS <labels...>] [TIMEOUT <seconds>])
# One Qt Test executable per class or feature, linked against the library and run offscreen.
# A test that starts the app (KESTRINE_EXECUTABLE) or a helper_<name> program as a child process
# depends on it, so building the test alone never leaves it running a stale copy.
function(kestrine_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kestrine_ui kestrine_test_support Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    foreach(source ${ARG_SOURCES})
        file(READ ${source} text)
        string(REGEX MATCHALL "helper_[A-Za-z0-9_]+" programs "${text}")
        if(text MATCHES "KESTRINE_EXECUTABLE")
            list(APPEND programs kestrine)
        endif()
        if(text MATCHES "KESTRINE_CLI_EXECUTABLE")
            list(APPEND programs kestrine-cli)
        endif()
        if(programs)
            list(REMOVE_DUPLICATES programs)
            add_dependencies(${name} ${programs})
        endif()
    endforeach()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KESTRINE_LOG=stderr;ASAN_OPTIONS=detect_leaks=0"
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}")
endfunction()
