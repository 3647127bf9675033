# Helpers that keep every library and test executable built the same way.

# Headers shared by most translation units; precompiled once per target.
set(ZV_PCH_HEADERS
    <QtCore/QString>
    <QtCore/QByteArray>
    <QtCore/QVariant>
    <QtCore/QJsonDocument>
    <QtCore/QJsonObject>
    <QtCore/QJsonArray>
    <QtCore/QDateTime>
    <functional>
    <memory>
    <optional>
    <string>
    <vector>)

# zv_library(NAME DIR <folder> [DEPS targets...])
# A static library made of every .cpp below <folder>. Each folder lists its sources by glob so that
# adding a file needs no edit of a shared list.
function(zv_library name)
    cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${ARG_DIR}/*.h)
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
    target_precompile_headers(${name} PRIVATE ${ZV_PCH_HEADERS})
endfunction()

# zv_test(NAME DIR <folder> DEPS targets... [GUI])
# One GoogleTest executable made of every .cpp below <folder>, with the shared test main (a
# QGuiApplication on the offscreen platform with GUI, else a QCoreApplication).
function(zv_test name)
    cmake_parse_arguments(ARG "GUI" "DIR" "DEPS" ${ARGN})
    set(support zv_test_support)
    if(ARG_GUI)
        set(support zv_test_support_gui)
    endif()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} ${support} GTest::gtest GTest::gmock)
    target_precompile_headers(${name} PRIVATE ${ZV_PCH_HEADERS} <gtest/gtest.h>)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
