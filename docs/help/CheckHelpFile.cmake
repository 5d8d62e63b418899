# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a compiled help file: the CHM signature and a directory entry for
# every page. Run as: cmake -DHELP_FILE=... -DPAGES=a;b -P CheckHelpFile.cmake
if(NOT EXISTS "${HELP_FILE}")
  message(FATAL_ERROR "help file missing: ${HELP_FILE}")
endif()
file(READ "${HELP_FILE}" signature LIMIT 4 HEX)
if(NOT signature STREQUAL "49545346") # "ITSF"
  message(FATAL_ERROR "not a compiled HTML help file: ${HELP_FILE}")
endif()
file(STRINGS "${HELP_FILE}" names REGEX "[.]html")
string(JOIN "\n" names ${names})
foreach(page IN LISTS PAGES)
  if(page MATCHES "[.]html$" AND NOT names MATCHES "/${page}")
    message(FATAL_ERROR "page missing from the help file: ${page}")
  endif()
endforeach()
