# Targets of the MinGW-w64 builds.
set(CMAKE_RC_COMPILER_INIT ${CMAKE_RC_COMPILER})
enable_language(RC)

# No runtime DLLs to ship: link the C and C++ runtimes statically.
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++ -s)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_library(platform_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(platform_win32 PUBLIC companion_core)
target_compile_definitions(platform_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0602 WINVER=0x0602)
# The libraries of what only a later event needs (a device walk, the open-file dialog,
# the tray icon, a folder of the shell) are loaded at their first call, so start-up
# does not wait for them: under Wine shell32 and comdlg32 alone bring seven more DLLs.
# 64-bit only: in the 32-bit build MinGW's delay-load helper answered the first call
# with a null address (a test program calling SetupDiGetClassDevsA that way crashed
# under Wine before setupapi was loaded), so the 32-bit programs keep loading them at
# start.
set(LATER_DLLS oleaut32 setupapi cfgmgr32 comdlg32 shell32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    include(cmake/DelayImports.cmake)
    set(LATER_IMPORTS "")
    foreach(dll ${LATER_DLLS})
        delay_import_library(${dll} library)
        list(APPEND LATER_IMPORTS ${library})
    endforeach()
else()
    set(LATER_IMPORTS ${LATER_DLLS})
endif()
target_link_libraries(platform_win32 PUBLIC ole32 ${LATER_IMPORTS} uuid strmiids advapi32 user32 gdi32)

# Keep the shipped programs small. Every function and datum gets its own section, so the
# linker can drop whatever nothing reaches. The program throws and catches nothing and
# never asks for a type at run time, so its own code carries no exception tables and no
# type information; should that ever change, these flags make the compiler refuse the
# try, throw or dynamic_cast instead of quietly growing the programs back.
set(SIZE_COMPILE_OPTIONS -ffunction-sections -fdata-sections -fno-exceptions -fno-rtti)
# Every line of the programs runs on the thread of their window (no thread of their
# own, COM in a single-threaded apartment), so a function-local static needs no lock:
# the locked guard would bring the runtime's thread support and its throwing path.
list(APPEND SIZE_COMPILE_OPTIONS -fno-threadsafe-statics)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit Windows unwinds its own exceptions without tables; the DWARF unwind tables
    # would serve only C++ exceptions, and the linker keeps every function they name.
    # The 64-bit build keeps its unwind tables: Windows itself walks those.
    list(APPEND SIZE_COMPILE_OPTIONS -fno-asynchronous-unwind-tables)
    set(SYMBOL_PREFIX _)
else()
    set(SYMBOL_PREFIX "")
endif()
# An exception nobody catches ends the program in std::terminate. The runtime's default
# handler first prints the demangled type of the exception to stderr, which a GUI program
# has no use for, and drags the whole C++ demangler along for it; send it straight to
# abort, which is what that handler calls next anyway.
set(SIZE_LINK_OPTIONS
    -Wl,--gc-sections
    -Wl,--defsym,${SYMBOL_PREFIX}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${SYMBOL_PREFIX}abort)
target_compile_options(companion_core PRIVATE ${SIZE_COMPILE_OPTIONS})
target_compile_options(platform_win32 PRIVATE ${SIZE_COMPILE_OPTIONS})

# The version resource of each program carries the project's version.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/resources/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

foreach(program Tiltmate Viewmate)
    add_executable(${program} WIN32 app/main.cpp app/AbortingRuntime.cpp app/LibraryInstances.cpp app/MsvcrtFormat.cpp
        resources/companion.rc)
    target_compile_definitions(${program} PRIVATE COMPANION_PROGRAM_${program}=1)
    target_compile_options(${program} PRIVATE ${SIZE_COMPILE_OPTIONS})
    target_link_options(${program} PRIVATE ${SIZE_LINK_OPTIONS})
    target_link_libraries(${program} PRIVATE platform_win32 ${STATIC_RUNTIME})
    target_include_directories(${program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
endforeach()

# Test equipment for the end-to-end tests under Wine. The tools that work from outside
# the programs (the probe, the drivers' control tools, the test viewer) are 64-bit only:
# they drive a 32-bit program as well, and a 32-bit process costs seconds to start under
# qemu. The minimal programs scripts/bench compares the programs with (minstart,
# minrotate) are timed 64-bit, as the programs are. What a program loads in process (the virtual camera with its property page, the
# app-visibility test class) is built for both, since a process loads only its own kind.
set(TEST_TOOLS vcam avis)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND TEST_TOOLS probe afdrv afctl snapview avctl minstart minrotate)
endif()
foreach(tool ${TEST_TOOLS})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/${tool}/CMakeLists.txt)
        add_subdirectory(tools/${tool})
    endif()
endforeach()

# What ships: the 32-bit programs with a bkg.ini that lists every key at its default
# and the three languages, assembled in <build>/dist for scripts/package.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
    add_custom_target(dist ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}/Language
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Tiltmate> $<TARGET_FILE:Viewmate> ${DIST_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/resources/dist/bkg.ini ${DIST_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy
            ${CMAKE_CURRENT_SOURCE_DIR}/resources/dist/Language/English.ini
            ${CMAKE_CURRENT_SOURCE_DIR}/resources/dist/Language/Deutsch.ini
            ${CMAKE_CURRENT_SOURCE_DIR}/resources/dist/Language/Francais.ini
            ${DIST_DIR}/Language
        DEPENDS Tiltmate Viewmate
        COMMENT "Assembling dist/")
endif()
