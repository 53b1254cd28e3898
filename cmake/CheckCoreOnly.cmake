# cmake -DEXECUTABLE=path [-DALLOW_GUI=ON] -P CheckCoreOnly.cmake: fails when the program loads Qt Widgets or
# the web engine, or Qt Gui unless ALLOW_GUI is set. Run after linking each test of the core libraries, so
# that a core library that starts to need them stops the build, and after linking the command line, which may
# start the graphical side of Qt for the engine's offscreen pages but never the windows.
execute_process(COMMAND ldd "${EXECUTABLE}" OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd could not list the libraries of ${EXECUTABLE}")
endif()
if(ALLOW_GUI)
  set(forbidden "Widgets|OpenGLWidgets|WebEngine[A-Za-z]*")
  set(what "Qt Widgets or the web engine")
else()
  set(forbidden "Gui|Widgets|OpenGL|WebEngine[A-Za-z]*")
  set(what "Qt Gui or Qt Widgets")
endif()
string(REGEX MATCHALL "libQt6(${forbidden})\\.so" offending "${libraries}")
if(offending)
  list(REMOVE_DUPLICATES offending)
  list(JOIN offending ", " offending)
  message(FATAL_ERROR "${EXECUTABLE} loads ${offending}: one of the libraries it links pulls in ${what}.")
endif()
