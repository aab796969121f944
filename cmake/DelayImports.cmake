# Delay-load import libraries for the MinGW builds. A DLL named here is loaded at
# the first call into it instead of at process start: the programs reach their
# resting window without loading what only a later event needs. MinGW's dlltool
# writes such a library from a .def; the .def is read off the toolchain's own import
# library (each function it has a thunk for), so both list the same functions. The
# runtime's __delayLoadHelper2 (libmingwex) resolves them at their first call.
#
#   delay_import_library(<dll> <out-var>): sets <out-var> to the library's path.
get_filename_component(compiler_name ${CMAKE_CXX_COMPILER} NAME)
string(REGEX REPLACE "g\\+\\+(-[^-]*)?$" "" MINGW_TOOL_PREFIX ${compiler_name})
find_program(MINGW_NM NAMES ${MINGW_TOOL_PREFIX}nm REQUIRED)
find_program(MINGW_DLLTOOL NAMES ${MINGW_TOOL_PREFIX}dlltool REQUIRED)

function(delay_import_library dll out_var)
    set(import_lib ${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a)
    set(dir ${CMAKE_BINARY_DIR}/delayimp)
    set(def ${dir}/${dll}.def)
    set(lib ${dir}/lib${dll}_delay.a)
    if(NOT EXISTS ${lib} OR ${import_lib} IS_NEWER_THAN ${lib})
        file(MAKE_DIRECTORY ${dir})
        execute_process(COMMAND ${MINGW_NM} -g ${import_lib} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc ERROR_QUIET)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "${MINGW_NM} could not read ${import_lib}")
        endif()
        # "<address> T <symbol>": a function's thunk. 32-bit symbols carry the C
        # underscore, which the .def leaves out (dlltool adds it back).
        string(REGEX MATCHALL "[^\n]* T [^\n]*" thunks "${symbols}")
        set(names "")
        foreach(line ${thunks})
            string(REGEX REPLACE ".* T " "" name "${line}")
            if(CMAKE_SIZEOF_VOID_P EQUAL 4)
                string(REGEX REPLACE "^_" "" name "${name}")
            endif()
            list(APPEND names ${name})
        endforeach()
        list(REMOVE_DUPLICATES names)
        list(JOIN names "\n    " exports)
        file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n    ${exports}\n")
        # -k: a 32-bit stdcall function is imported by its plain name.
        set(kill_at "")
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            set(kill_at -k)
        endif()
        execute_process(COMMAND ${MINGW_DLLTOOL} ${kill_at} --input-def ${def} --dllname ${dll}.dll
                                --output-delaylib ${lib}
                        RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "${MINGW_DLLTOOL} could not write ${lib}")
        endif()
    endif()
    set(${out_var} ${lib} PARENT_SCOPE)
endfunction()
