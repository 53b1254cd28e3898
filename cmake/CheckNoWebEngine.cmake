# cmake -DEXECUTABLE=path -P CheckNoWebEngine.cmake: fails when the program loads the web engine at start.
# The engine belongs in its module, loaded on the first page fetch; run after linking each program.
execute_process(COMMAND ldd "${EXECUTABLE}" OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd could not list the libraries of ${EXECUTABLE}")
endif()
string(REGEX MATCHALL "libQt6WebEngine[A-Za-z]*\\.so" offending "${libraries}")
if(offending)
  list(REMOVE_DUPLICATES offending)
  list(JOIN offending ", " offending)
  message(FATAL_ERROR "${EXECUTABLE} loads ${offending} at start: one of the libraries it links pulls in "
                      "the web engine, which belongs in the clipwave-webengine module alone.")
endif()
