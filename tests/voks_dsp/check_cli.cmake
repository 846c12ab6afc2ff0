# voks-dsp on files: the tone detector prints one line per detection and nothing else, the
# level control, band split, merge and echo canceller keep the length of the signal, and usage
# errors exit with status 2, input errors with status 1.
# Run with -DDSP=<voks-dsp> -DSPEECH=<8 kHz WAV> -DTONE=<answer tone, raw 8 kHz> -DWORK_DIR=<folder>.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(expect_status status)
  execute_process(COMMAND ${DSP} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL ${status})
    message(FATAL_ERROR "voks-dsp ${ARGN}: status ${rc}, expected ${status} ('${err}')")
  endif()
endfunction()

# The tone's phase reverses at 0.55 s and 1.0 s: one detection, within 10 ms after the second
# reversal, in both forms; speech gives none.
foreach(form 32f 16s)
  execute_process(COMMAND ${DSP} tone ${TONE} --rate 8000 --form ${form} RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^1\\.00[0-9]+\n$")
    message(FATAL_ERROR "tone --form ${form}: status ${rc}, output '${out}'")
  endif()
  execute_process(COMMAND ${DSP} tone ${SPEECH} --form ${form} RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "tone on speech: status ${rc}, output '${out}'")
  endif()
endforeach()

# Lengths: level control keeps the samples' count, split halves it per band, merge restores it.
expect_status(0 alc ${SPEECH} ${WORK_DIR}/alc.wav --target -15 --max-gain 6)
expect_status(0 split ${SPEECH} ${WORK_DIR}/low.wav ${WORK_DIR}/high.wav --taps 24)
expect_status(0 merge ${WORK_DIR}/low.wav ${WORK_DIR}/high.wav ${WORK_DIR}/merged.wav)
file(SIZE ${SPEECH} in_bytes)
file(SIZE ${WORK_DIR}/alc.wav alc_bytes)
file(SIZE ${WORK_DIR}/low.wav low_bytes)
file(SIZE ${WORK_DIR}/merged.wav merged_bytes)
math(EXPR half "(${in_bytes} - 44) / 4 * 2 + 44")
if(NOT alc_bytes EQUAL in_bytes OR NOT merged_bytes EQUAL in_bytes OR NOT low_bytes EQUAL half)
  message(FATAL_ERROR "sizes: in ${in_bytes}, alc ${alc_bytes}, low ${low_bytes}, merged ${merged_bytes}")
endif()

# The echo canceller: OUT as long as MIC, WAV or raw by its name, in every structure and form;
# it reports its processing time and the output's lag.
foreach(setting "subband;32f" "subband;16s" "fullband;32f" "fullband;16s")
  list(GET setting 0 structure)
  list(GET setting 1 form)
  execute_process(COMMAND ${DSP} aec ${TONE} ${TONE} ${WORK_DIR}/aec.raw --tail 32 --structure ${structure}
                  --form ${form} RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  file(SIZE ${TONE} tone_bytes)
  file(SIZE ${WORK_DIR}/aec.raw aec_bytes)
  if(NOT rc EQUAL 0 OR NOT aec_bytes EQUAL tone_bytes OR NOT out MATCHES "^cpu_s [0-9.]+\ndelay_samples [0-9]+\n$")
    message(FATAL_ERROR "aec ${setting}: status ${rc}, ${aec_bytes} of ${tone_bytes} bytes, output '${out}'")
  endif()
endforeach()
expect_status(0 aec ${SPEECH} ${SPEECH} ${WORK_DIR}/aec.wav)
file(SIZE ${WORK_DIR}/aec.wav aec_bytes)
if(NOT aec_bytes EQUAL in_bytes)
  message(FATAL_ERROR "aec on WAV: ${aec_bytes} bytes of ${in_bytes}")
endif()

# Usage errors, then input errors.
expect_status(2)
expect_status(2 tone)
expect_status(2 mix ${SPEECH})
expect_status(2 tone ${SPEECH} --form 8u)
expect_status(2 tone ${SPEECH} --taps 24)
expect_status(2 alc ${SPEECH} ${WORK_DIR}/a.wav --target 7)
expect_status(2 alc ${SPEECH} ${WORK_DIR}/a.wav --max-gain -1)
expect_status(2 split ${SPEECH} ${WORK_DIR}/l.wav ${WORK_DIR}/h.wav --taps 32)
expect_status(2 merge ${WORK_DIR}/low.wav ${WORK_DIR}/high.wav)
expect_status(2 aec ${SPEECH} ${SPEECH})
expect_status(2 aec ${SPEECH} ${SPEECH} ${WORK_DIR}/a.wav --tail 257)
expect_status(2 aec ${SPEECH} ${SPEECH} ${WORK_DIR}/a.wav --structure mdf)
expect_status(2 aec ${SPEECH} ${SPEECH} ${WORK_DIR}/a.wav --form 8u)
expect_status(2 aec ${SPEECH} ${SPEECH} ${SPEECH})
expect_status(1 tone ${WORK_DIR}/absent.wav)
expect_status(1 aec ${TONE} ${TONE} ${WORK_DIR}/a.wav --rate 11025)
expect_status(1 aec ${TONE} ${SPEECH} ${WORK_DIR}/a.wav --rate 16000)
expect_status(1 tone ${TONE} --rate 11025)
expect_status(1 merge ${WORK_DIR}/low.wav ${WORK_DIR}/alc.wav ${WORK_DIR}/m.wav)
if(EXISTS ${WORK_DIR}/a.wav OR EXISTS ${WORK_DIR}/m.wav)
  message(FATAL_ERROR "a failed run left an output file")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
