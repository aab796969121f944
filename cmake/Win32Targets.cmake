# Targets of the MinGW-w64 builds.
set(CMAKE_RC_COMPILER_INIT ${CMAKE_RC_COMPILER})
enable_language(RC)

# No runtime DLLs to ship: link the C and C++ runtimes statically.
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++ -s)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_library(platform_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(platform_win32 PUBLIC companion_core)
target_compile_definitions(platform_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0602 WINVER=0x0602)
target_link_libraries(platform_win32 PUBLIC ole32 oleaut32 uuid strmiids setupapi cfgmgr32 comdlg32 shell32 advapi32 user32 gdi32)

foreach(program Tiltmate Viewmate)
    add_executable(${program} WIN32 app/main.cpp resources/companion.rc)
    target_compile_definitions(${program} PRIVATE COMPANION_PROGRAM_${program}=1)
    target_link_libraries(${program} PRIVATE platform_win32 ${STATIC_RUNTIME})
    target_include_directories(${program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endforeach()

if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/probe/CMakeLists.txt)
    add_subdirectory(tools/probe)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/vcam/CMakeLists.txt)
    add_subdirectory(tools/vcam)
endif()
