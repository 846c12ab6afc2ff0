# Configures a consumer that adds the voksc source tree with add_subdirectory, with GoogleTest and
# Google Benchmark made unfindable, then builds and runs it. Run with -DSOURCE_DIR -DWORK_DIR
# -DC_COMPILER -DCXX_COMPILER. An unoptimised build keeps the check quick.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/subproject -B ${WORK_DIR}
                -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
                -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
                -DVOKSC_SOURCE_DIR=${SOURCE_DIR} -DVOKSC_C_PROGRAM=${SOURCE_DIR}/tests/c/c_api_test.c
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the consumer does not configure:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR} --target consumer --parallel 2
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the consumer does not build:\n${out}")
endif()
execute_process(COMMAND ${WORK_DIR}/consumer RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the consumer fails (${rc}):\n${out}")
endif()
