# Runs the demo on the headless host with an input script that closes the window once start-up has
# shown its frames (the screen's first black fills), with every frame dumped as PNG: the demo must
# end with status 0 after the pump reported the close, and the first frame must be on disk.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/frames)
file(WRITE ${WORK_DIR}/input.txt "# close once start-up has shown its frames\n3 close\n")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ZELVO_HOST=headless ZELVO_VIRTUAL_CLOCK=1
          ZELVO_INPUT_SCRIPT=${WORK_DIR}/input.txt ZELVO_FRAME_DUMP=${WORK_DIR}/frames ${DEMO}
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
if(NOT status EQUAL 0 OR NOT out MATCHES "PumpMessages returned -1")
  message(FATAL_ERROR "demo: status ${status}\n${out}\n${err}")
endif()
if(NOT EXISTS ${WORK_DIR}/frames/frame000001.png)
  message(FATAL_ERROR "no frame dumped")
endif()
