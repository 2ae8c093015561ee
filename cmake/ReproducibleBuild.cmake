# Reproducible builds: two builds of one commit give byte-identical binaries, whatever their
# build directories and whenever they run.
#
# The only build-time value in the binaries is the tool's build date and time (__DATE__ and
# __TIME__ in the version text). gcc and clang take both from SOURCE_DATE_EPOCH (seconds
# since 1970, shown in UTC) when it is in the compiler's environment. The caller's value wins;
# otherwise the time of the last commit, or 0 outside a git checkout (packagers of a source
# archive set SOURCE_DATE_EPOCH themselves). The value is fixed at configure time in the stamp
# file TARNWICK_SOURCE_DATE_STAMP, which is rewritten only when it changes, so that the
# sources using the date can depend on it (TARNWICK_SOURCE_DATE_DEPENDS); every compile goes
# through a launcher that exports it. The launcher's own command line never changes, so a new
# commit recompiles nothing else.

set(source_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(source_date_epoch STREQUAL "")
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE source_date_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_result ERROR_QUIET)
    if(NOT git_result EQUAL 0)
      set(source_date_epoch "")
    endif()
  endif()
endif()
if(NOT source_date_epoch MATCHES "^[0-9]+$")
  set(source_date_epoch 0)
endif()

set(TARNWICK_SOURCE_DATE_STAMP ${PROJECT_BINARY_DIR}/source_date_epoch)
file(CONFIGURE OUTPUT ${TARNWICK_SOURCE_DATE_STAMP} CONTENT "${source_date_epoch}\n")
# What a source that shows the date depends on besides itself (OBJECT_DEPENDS).
set(TARNWICK_SOURCE_DATE_DEPENDS
    ${TARNWICK_SOURCE_DATE_STAMP} ${CMAKE_CURRENT_LIST_DIR}/with-source-date.sh)

# A launcher the caller set (a compiler cache, say) runs after ours.
foreach(lang C CXX)
  set(CMAKE_${lang}_COMPILER_LAUNCHER
      sh ${CMAKE_CURRENT_LIST_DIR}/with-source-date.sh ${TARNWICK_SOURCE_DATE_STAMP}
      ${CMAKE_${lang}_COMPILER_LAUNCHER})
endforeach()

# The build tree's run paths are relative to the binaries ($ORIGIN/../lib), never absolute.
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)

# No path of the checkout or the build tree in a release binary (__FILE__, debug info when
# asked for). Debug builds keep full paths for the debugger. gcc takes the last matching map
# and clang the longest, so the build tree (often inside the checkout) is named second.
add_compile_options(
  "$<$<CONFIG:Release,MinSizeRel>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
  "$<$<CONFIG:Release,MinSizeRel>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
