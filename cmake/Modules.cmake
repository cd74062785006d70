# One static library per folder, made of every .cpp in it (new files are picked
# up at the next build). A folder without sources or a missing dependency fails the
# configuration rather than being passed over.
function(corvane_module target dir)
  cmake_parse_arguments(M "" "" "LINK;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(ex IN LISTS M_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "/${ex}$")
  endforeach()
  if(NOT srcs)
    message(FATAL_ERROR "${dir} has no sources for ${target}")
  endif()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${M_LINK})
endfunction()
