# veruru-sim: the instrument simulator. Plain C++ on a pseudo-terminal, so it links nothing of ours.
if(WIN32)
    return() # a pseudo-terminal tool: it plays the instrument from the Linux side
endif()
add_executable(veruru-sim ${CMAKE_CURRENT_SOURCE_DIR}/veruru_sim.cpp
                          ${CMAKE_CURRENT_SOURCE_DIR}/veruru_sim_dump.cpp
                          ${CMAKE_CURRENT_SOURCE_DIR}/veruru_sim_dump.h)
set(RONVALO_TOOL_TARGETS ${RONVALO_TOOL_TARGETS} veruru-sim CACHE INTERNAL "")
set_target_properties(veruru-sim PROPERTIES AUTOMOC OFF AUTORCC OFF)
