# cmake -DEXECUTABLE=path -P CheckCoreOnly.cmake: fails when the program loads Qt Gui, Qt Widgets or the
# web engine. Run after linking each test of the core libraries, so that a core library that starts to
# need them stops the build.
execute_process(COMMAND ldd "${EXECUTABLE}" OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd could not list the libraries of ${EXECUTABLE}")
endif()
string(REGEX MATCHALL "libQt6(Gui|Widgets|OpenGL|WebEngine[A-Za-z]*)\\.so" offending "${libraries}")
if(offending)
  list(REMOVE_DUPLICATES offending)
  list(JOIN offending ", " offending)
  message(FATAL_ERROR "${EXECUTABLE} tests the core libraries but loads ${offending}: one of the "
                      "libraries it links pulls in Qt Gui or Qt Widgets.")
endif()
