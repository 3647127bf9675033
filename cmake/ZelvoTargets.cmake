# Helpers that keep every library and test executable built the same way.

# Headers shared by most translation units. They are precompiled once for the whole build, in
# zv_pch, and every library, test and benchmark reuses that one file: compiling them per target
# took about a fifth of a clean build. A target that reuses it must compile with the same flags
# (Qt's -fPIC, the sanitizers, the language level); -Winvalid-pch with -Werror stops the build if
# one does not.
set(ZV_PCH_HEADERS
    <QtCore/QString>
    <QtCore/QStringList>
    <QtCore/QByteArray>
    <QtCore/QVariant>
    <QtCore/QUrl>
    <QtCore/QJsonDocument>
    <QtCore/QJsonObject>
    <QtCore/QJsonArray>
    <QtCore/QDateTime>
    <algorithm>
    <cstdint>
    <functional>
    <memory>
    <optional>
    <string>
    <vector>)

# The product's precompiled headers, and the tests' (the same with GoogleTest and GoogleMock, which
# product code must not see).
function(zv_add_pch name)
    cmake_parse_arguments(ARG "" "" "HEADERS;DEPS" ${ARGN})
    set(source ${CMAKE_BINARY_DIR}/${name}.cpp)
    if(NOT EXISTS ${source})
        file(WRITE ${source} "// Only carries the shared precompiled headers.\n")
    endif()
    add_library(${name} OBJECT ${source})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()
zv_add_pch(zv_pch HEADERS ${ZV_PCH_HEADERS} DEPS Qt6::Core)

# zv_use_pch(target [TESTS]): the target compiles against the shared precompiled headers.
function(zv_use_pch target)
    cmake_parse_arguments(ARG "TESTS" "" "" ${ARGN})
    if(ARG_TESTS)
        if(NOT TARGET zv_pch_tests)
            zv_add_pch(zv_pch_tests HEADERS ${ZV_PCH_HEADERS} <gtest/gtest.h> <gmock/gmock.h>
                DEPS Qt6::Core GTest::gtest GTest::gmock)
        endif()
        target_precompile_headers(${target} REUSE_FROM zv_pch_tests)
    else()
        target_precompile_headers(${target} REUSE_FROM zv_pch)
    endif()
endfunction()

# zv_exclude_folders(files EXCLUDE folders... [KEEP folders...]): drops from the list `files`
# every path below one of the EXCLUDE folders, except the paths below one of the KEEP folders
# (subfolders of an excluded folder that belong with the including target after all).
function(zv_exclude_folders files)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;KEEP" ${ARGN})
    set(kept)
    foreach(file ${${files}})
        set(inside FALSE)
        foreach(folder ${ARG_EXCLUDE})
            string(FIND "${file}" "${folder}/" at)
            if(at EQUAL 0)
                set(inside TRUE)
            endif()
        endforeach()
        foreach(folder ${ARG_KEEP})
            string(FIND "${file}" "${folder}/" at)
            if(at EQUAL 0)
                set(inside FALSE)
            endif()
        endforeach()
        if(NOT inside)
            list(APPEND kept ${file})
        endif()
    endforeach()
    set(${files} ${kept} PARENT_SCOPE)
endfunction()

# zv_library(NAME DIR <folders...> [EXCLUDE folders...] [KEEP folders...] [DEPS targets...])
# A static library made of every .cpp below the folders (but not below the EXCLUDE folders, which
# are libraries of their own, unless below one of the KEEP folders). Each folder lists its sources by glob so that adding a file needs
# no edit of a shared list.
function(zv_library name)
    cmake_parse_arguments(ARG "" "" "DIR;DEPS;EXCLUDE;KEEP" ${ARGN})
    list(TRANSFORM ARG_DIR APPEND /*.cpp OUTPUT_VARIABLE source_globs)
    list(TRANSFORM ARG_DIR APPEND /*.h OUTPUT_VARIABLE header_globs)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${source_globs})
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${header_globs})
    zv_exclude_folders(sources EXCLUDE ${ARG_EXCLUDE} KEEP ${ARG_KEEP})
    zv_exclude_folders(headers EXCLUDE ${ARG_EXCLUDE} KEEP ${ARG_KEEP})
    if(NOT sources)
        # A library with no file yet: nothing to build, but dependants may still name it.
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        return()
    endif()
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    zv_use_pch(${name})
endfunction()

# zv_test(NAME DIR <folders...> [EXCLUDE folders...] [KEEP folders...] DEPS targets... [GUI | WIDGETS])
# One GoogleTest executable made of every .cpp below <folder>, with the shared test main (a
# QGuiApplication on the offscreen platform with GUI, a QApplication with WIDGETS, else a
# QCoreApplication).
function(zv_test name)
    cmake_parse_arguments(ARG "GUI;WIDGETS" "" "DIR;DEPS;EXCLUDE;KEEP" ${ARGN})
    set(support zv_test_support)
    if(ARG_GUI)
        set(support zv_test_support_gui)
    elseif(ARG_WIDGETS)
        set(support zv_test_support_widgets)
    endif()
    list(TRANSFORM ARG_DIR APPEND /*.cpp OUTPUT_VARIABLE source_globs)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${source_globs})
    zv_exclude_folders(sources EXCLUDE ${ARG_EXCLUDE} KEEP ${ARG_KEEP})
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} ${support} GTest::gtest GTest::gmock)
    zv_use_pch(${name} TESTS)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
