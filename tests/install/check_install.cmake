# Installs the build into a scratch prefix, then builds a consumer with find_package and one with
# pkg-config, runs both, and runs the installed voks-codec. Run with -DBUILD_DIR -DSOURCE_DIR
# -DWORK_DIR -DTOOLS -DBINDIR -DVERSION.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()
set(program ${SOURCE_DIR}/tests/c/c_api_test.c)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install -B ${WORK_DIR}/consumer
                -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DVOKSC_C_PROGRAM=${program}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc EQUAL 0)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer RESULT_VARIABLE rc OUTPUT_QUIET)
endif()
if(rc EQUAL 0)
  execute_process(COMMAND ${WORK_DIR}/consumer/consumer RESULT_VARIABLE rc OUTPUT_QUIET)
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "find_package consumer failed")
endif()
file(GLOB_RECURSE pc ${WORK_DIR}/prefix/*/voksc.pc)
get_filename_component(pcdir "${pc}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pcdir})
execute_process(COMMAND pkg-config --cflags --libs voksc OUTPUT_VARIABLE flags RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not find voksc")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
execute_process(COMMAND cc -std=c99 ${program} ${flags} -o ${WORK_DIR}/pc_consumer RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config consumer does not build")
endif()
get_filename_component(libdir "${pcdir}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${libdir})
execute_process(COMMAND ${WORK_DIR}/pc_consumer RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config consumer failed")
endif()

# The installed voks-codec: the demonstration (on the speech installed with it), --version, one
# codec's options, and the exit status of a usage error (2) and of a missing input file (1).
if(TOOLS)
  set(codec ${WORK_DIR}/prefix/${BINDIR}/voks-codec)
  function(run_codec want_rc want_output)
    execute_process(COMMAND ${codec} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL want_rc OR NOT "${out}${err}" MATCHES "${want_output}")
      message(FATAL_ERROR "installed voks-codec ${ARGN}: status ${rc} (want ${want_rc}), output:\n${out}${err}")
    endif()
  endfunction()
  run_codec(0 "g722 .*g726 .*g729 .*g729a .*gsmfr ")
  run_codec(0 "voksc ${VERSION}" --version)
  run_codec(0 "--format F +packed" encode --codec g729 --help)
  run_codec(2 "usage: voks-codec" encode --codec nosuch in.wav out.bin)
  run_codec(1 "cannot open" encode --codec g729 ${WORK_DIR}/absent.wav ${WORK_DIR}/out.g729)
  # '-' reads standard input and writes standard output, byte for byte as files do.
  set(speech ${SOURCE_DIR}/tools/voks-codec/data/speech8k.wav)
  run_codec(0 "" encode --codec gsmfr ${speech} ${WORK_DIR}/file.gsm)
  run_codec(0 "" decode --codec gsmfr ${WORK_DIR}/file.gsm ${WORK_DIR}/file.wav)
  execute_process(COMMAND ${codec} encode --codec gsmfr --pcm wav - - INPUT_FILE ${speech}
                  OUTPUT_FILE ${WORK_DIR}/pipe.gsm)
  execute_process(COMMAND ${codec} decode --codec gsmfr --pcm wav - - INPUT_FILE ${WORK_DIR}/file.gsm
                  OUTPUT_FILE ${WORK_DIR}/pipe.wav)
  foreach(ext gsm wav)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/file.${ext} ${WORK_DIR}/pipe.${ext}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "voks-codec through standard input and output differs from files (.${ext})")
    endif()
  endforeach()
endif()
