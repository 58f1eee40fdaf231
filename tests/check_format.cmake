cmake_minimum_required(VERSION 3.25)
# Fails when a .cpp or .h of the program, its tests, tools or benchmarks is
# not laid out as .clang-format says; prints where.
# Run as: cmake -DROOT=<source folder> -DCLANG_FORMAT=<clang-format> -P check_format.cmake
if(NOT EXISTS "${CLANG_FORMAT}")
  message(FATAL_ERROR "No clang-format: tools/install-build-deps.sh --tests installs it")
endif()
set(sources "")
foreach(folder platform gamestate settings mods dialogs app ui context tests tools bench)
  file(GLOB_RECURSE found "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.h")
  list(APPEND sources ${found})
endforeach()
list(SORT sources)
list(LENGTH sources count)
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${sources}
                WORKING_DIRECTORY "${ROOT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Not formatted: run clang-format -i on the files above")
endif()
message(STATUS "All ${count} files formatted")
