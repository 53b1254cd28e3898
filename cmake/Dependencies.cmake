# The packages the build needs. A missing one stops the configure step with a message that names the
# Debian package to install (scripts/setup.sh installs every package of scripts/packages.txt), rather than
# leaving out the targets that need it.

# clipwave_require_qt(DEBIAN_PACKAGE COMPONENT...): the Qt 6 modules, all of them found or a stop. A macro,
# so that what Qt's package files set stays visible to the caller.
macro(clipwave_require_qt debian_package)
  find_package(Qt6 QUIET COMPONENTS ${ARGN})
  foreach(clipwave_qt_component IN ITEMS ${ARGN})
    if(NOT Qt6${clipwave_qt_component}_FOUND)
      message(FATAL_ERROR
        "Qt 6 ${clipwave_qt_component} was not found; it comes with the Debian package ${debian_package} "
        "(scripts/setup.sh installs what the build needs).")
    endif()
  endforeach()
endmacro()

# GoogleTest and GoogleMock, needed only when the tests are built.
macro(clipwave_require_gtest)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND OR NOT TARGET GTest::gtest OR NOT TARGET GTest::gmock)
    message(FATAL_ERROR
      "GoogleTest and GoogleMock were not found; they come with the Debian packages libgtest-dev and "
      "libgmock-dev (scripts/setup.sh installs what the build needs). Configure with -DCLIPWAVE_TESTS=OFF to "
      "build without the tests.")
  endif()
endmacro()

# The web engine, the one optional package: CLIPWAVE_HAVE_WEBENGINE tells whether its module is built. A
# build without it says so in one status line, with what that means.
macro(clipwave_optional_webengine)
  set(CLIPWAVE_HAVE_WEBENGINE OFF)
  if(CLIPWAVE_WEBENGINE)
    find_package(Qt6 QUIET COMPONENTS WebEngineCore)
    if(Qt6WebEngineCore_FOUND)
      set(CLIPWAVE_HAVE_WEBENGINE ON)
    else()
      message(STATUS "Qt 6 WebEngineCore was not found (Debian package qt6-webengine-dev): the web engine "
                     "module will not be built. This build starts and converts local video files, but "
                     "answers every video page address with a message that it cannot load pages.")
    endif()
  else()
    message(STATUS "CLIPWAVE_WEBENGINE is OFF: the web engine module will not be built. This build starts "
                   "and converts local video files, but answers every video page address with a message "
                   "that it cannot load pages.")
  endif()
endmacro()

# OpenSSL 3 for HTTPS: the TLS session of the HTTP client.
macro(clipwave_require_openssl)
  find_package(OpenSSL 3 QUIET)
  if(NOT OpenSSL_FOUND OR NOT TARGET OpenSSL::SSL)
    message(FATAL_ERROR
      "OpenSSL 3 was not found; it comes with the Debian package libssl-dev (scripts/setup.sh installs what "
      "the build needs).")
  endif()
endmacro()

# Fontconfig, whose configuration the program reads beside the display connection at start.
macro(clipwave_require_fontconfig)
  find_package(Fontconfig QUIET)
  if(NOT Fontconfig_FOUND)
    message(FATAL_ERROR
      "Fontconfig was not found; it comes with the Debian package libfontconfig-dev (scripts/setup.sh "
      "installs what the build needs).")
  endif()
endmacro()

# TagLib for the audio files' tags and cover pictures (tags/).
macro(clipwave_require_taglib)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(TagLib QUIET IMPORTED_TARGET taglib)
  endif()
  if(NOT TagLib_FOUND OR NOT TARGET PkgConfig::TagLib)
    message(FATAL_ERROR
      "TagLib was not found; it comes with the Debian package libtag1-dev (scripts/setup.sh installs what "
      "the build needs).")
  endif()
endmacro()

# Qt SQL's SQLite driver, a plugin of its own package that the queue's database needs at run time.
macro(clipwave_require_sqlite_driver)
  set(clipwave_sqlite_driver "")
  # Qt's package describes the driver beside Qt SQL's own files, whether the plugin is installed or not.
  find_package(Qt6QSQLiteDriverPlugin QUIET PATHS ${Qt6Sql_DIR} NO_DEFAULT_PATH)
  if(TARGET Qt6::QSQLiteDriverPlugin)
    get_target_property(clipwave_sqlite_driver Qt6::QSQLiteDriverPlugin LOCATION)
  endif()
  if(NOT clipwave_sqlite_driver OR NOT EXISTS "${clipwave_sqlite_driver}")
    message(FATAL_ERROR
      "Qt 6 SQL's SQLite driver was not found (the queue keeps its items in SQLite); it comes with the Debian "
      "package libqt6sql6-sqlite (scripts/setup.sh installs what the build needs).")
  endif()
endmacro()

# Qt Linguist's lrelease, which makes the translations (translations/*.ts) into the catalogues the program
# carries; lupdate, which the translation test runs over the sources. Both come with qt6-l10n-tools.
macro(clipwave_require_linguist)
  find_program(CLIPWAVE_LRELEASE lrelease PATHS /usr/lib/qt6/bin NO_DEFAULT_PATH)
  find_program(CLIPWAVE_LUPDATE lupdate PATHS /usr/lib/qt6/bin NO_DEFAULT_PATH)
  if(NOT CLIPWAVE_LRELEASE OR NOT CLIPWAVE_LUPDATE)
    message(FATAL_ERROR
      "Qt 6's lrelease and lupdate were not found; they come with the Debian package qt6-l10n-tools "
      "(scripts/setup.sh installs what the build needs).")
  endif()
endmacro()
