# voks-codec on pipes and failures: standard input and output through real pipes give the same
# bytes as files (a WAV on a pipe only says 0xFFFFFFFF, the unknown length, for both sizes), a
# stream that fails part-way exits with status 1 and leaves no output file (and an existing one
# untouched), and padding is reported.
# Run with -DCODEC=<voks-codec> -DSPEECH=<8 kHz WAV> -DWORK_DIR=<scratch folder>.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(check_same a b what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what}: ${a} and ${b} differ")
  endif()
endfunction()

# codec, options (comma-separated), stream file name
foreach(row "gsmfr;--format,packed;s.gsm" "g729a;--format,itu;s.itu" "g726;--rate,40000,--format,packed;s.g726")
  list(GET row 0 name)
  list(GET row 1 opts)
  list(GET row 2 stream)
  string(REPLACE "," ";" opts "${opts}")
  execute_process(COMMAND ${CODEC} encode --codec ${name} ${opts} ${SPEECH} ${WORK_DIR}/${stream} RESULT_VARIABLE rc)
  execute_process(COMMAND ${CODEC} decode --codec ${name} ${opts} ${WORK_DIR}/${stream} ${WORK_DIR}/file.wav
                  RESULT_VARIABLE rc2)
  if(NOT rc EQUAL 0 OR NOT rc2 EQUAL 0)
    message(FATAL_ERROR "${name}: coding files failed")
  endif()
  execute_process(COMMAND cat ${SPEECH} COMMAND ${CODEC} encode --codec ${name} ${opts} --pcm wav - -
                  COMMAND cat OUTPUT_FILE ${WORK_DIR}/pipe.${stream})
  check_same(${WORK_DIR}/${stream} ${WORK_DIR}/pipe.${stream} "${name} encode through pipes")
  execute_process(COMMAND cat ${WORK_DIR}/${stream} COMMAND ${CODEC} decode --codec ${name} ${opts} --pcm wav - -
                  COMMAND cat OUTPUT_FILE ${WORK_DIR}/pipe.wav)
  file(READ ${WORK_DIR}/file.wav file_hex HEX)
  file(READ ${WORK_DIR}/pipe.wav pipe_hex HEX)
  string(SUBSTRING "${file_hex}" 0 8 riff)
  string(SUBSTRING "${file_hex}" 16 64 fmt)
  string(SUBSTRING "${file_hex}" 88 -1 samples)
  if(NOT pipe_hex STREQUAL "${riff}ffffffff${fmt}ffffffff${samples}")
    message(FATAL_ERROR "${name} decode: the WAV on a pipe is not the file's with unknown sizes")
  endif()
endforeach()

# A GSM stream whose 100th frame lacks its signature: status 1, the frame named, no output.
execute_process(COMMAND sh -c "{ head -c 3300 s.gsm; printf '\\000'; tail -c +3302 s.gsm; } > bad.gsm"
                WORKING_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CODEC} decode --codec gsmfr ${WORK_DIR}/bad.gsm ${WORK_DIR}/bad.wav
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "frame 100 lacks the 0xD signature" OR EXISTS ${WORK_DIR}/bad.wav)
  message(FATAL_ERROR "bad GSM frame: status ${rc}, '${err}', output left: ${WORK_DIR}/bad.wav")
endif()
# --dtx is a switch (it takes no value) of the G.729 codecs, and needs ITU frames: with packed
# frames it is a usage error (status 2) naming --format itu.
execute_process(COMMAND ${CODEC} encode --codec g729 --format itu --dtx ${SPEECH} ${WORK_DIR}/dtx.itu RESULT_VARIABLE rc)
execute_process(COMMAND ${CODEC} encode --codec g729 --dtx ${SPEECH} ${WORK_DIR}/dtx.g729
                RESULT_VARIABLE rc2 ERROR_VARIABLE err)
execute_process(COMMAND ${CODEC} encode --codec g729a --help OUTPUT_VARIABLE help)
if(NOT rc EQUAL 0 OR NOT rc2 EQUAL 2 OR NOT err MATCHES "--format itu" OR NOT help MATCHES "--dtx")
  message(FATAL_ERROR "--dtx: status ${rc} with itu, ${rc2} with packed ('${err}'), help '${help}'")
endif()
# An input that ends in a partial frame is padded with silence, and standard error says by how
# many samples (frame sizes: G.729 80, GSM 160; G.722 codes sample pairs, G.726 packed groups of
# eight); standard output stays clean. codec, options, input bytes, samples padded (0: no line).
foreach(row "g729a;--format,itu;2000;40" "gsmfr;--format,packed;2000;120" "g722;--format,bytes;2002;1"
            "g726;--rate,40000,--format,packed;2002;7" "g729;--format,itu;1600;0")
  list(GET row 0 name)
  list(GET row 1 opts)
  list(GET row 2 bytes)
  list(GET row 3 padded)
  string(REPLACE "," ";" opts "${opts}")
  execute_process(COMMAND head -c ${bytes} ${SPEECH} OUTPUT_FILE ${WORK_DIR}/part.raw)
  execute_process(COMMAND ${CODEC} encode --codec ${name} ${opts} ${WORK_DIR}/part.raw ${WORK_DIR}/part.out
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(want "")
  if(padded GREATER 0)
    set(want "voks-codec: the input ends in a partial frame, padded with ${padded} samples of silence\n")
  endif()
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL want)
    message(FATAL_ERROR "${name} on ${bytes} bytes: status ${rc}, stdout '${out}', stderr '${err}'")
  endif()
endforeach()

# A run that fails after part of its output is written leaves an existing output file as it was
# and no temporary file beside it (a G.729 stream cut in its last frame decodes to more than the
# 64 KiB written at once); a run that succeeds replaces the file.
file(WRITE ${WORK_DIR}/keep.wav "precious")
execute_process(COMMAND ${CODEC} encode --codec g729a --format itu ${SPEECH} ${WORK_DIR}/s.itu)
execute_process(COMMAND head -c -2 ${WORK_DIR}/s.itu OUTPUT_FILE ${WORK_DIR}/cut.itu)
execute_process(COMMAND ${CODEC} decode --codec g729a --format itu ${WORK_DIR}/cut.itu ${WORK_DIR}/keep.wav
                RESULT_VARIABLE rc ERROR_VARIABLE err)
file(READ ${WORK_DIR}/keep.wav kept)
file(GLOB left ${WORK_DIR}/keep.wav?*)
if(NOT rc EQUAL 1 OR NOT err MATCHES "truncated" OR NOT kept STREQUAL "precious" OR left)
  message(FATAL_ERROR "failed run: status ${rc}, '${err}', output now '${kept}', left over: ${left}")
endif()
execute_process(COMMAND ${CODEC} decode --codec g729a --format itu ${WORK_DIR}/s.itu ${WORK_DIR}/keep.wav)
execute_process(COMMAND ${CODEC} decode --codec g729a --format itu ${WORK_DIR}/s.itu ${WORK_DIR}/new.wav)
check_same(${WORK_DIR}/keep.wav ${WORK_DIR}/new.wav "a successful run over an existing file")
file(REMOVE_RECURSE ${WORK_DIR})
