# Runs the generator into a fresh folder and compares every file it writes with the shipped one.
file(REMOVE_RECURSE ${OUTPUT})
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zelk-datagen failed: ${rc}")
endif()
foreach(name SYMBOL/Topo15000.zkm zelk4.sym ZELK4.SYM demo.zkm)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${name} ${SHIPPED}/${name}
    RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from the shipped file; run zelk-datagen data and commit")
  endif()
endforeach()
