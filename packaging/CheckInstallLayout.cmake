# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build tree into a scratch prefix and checks the layout: the
# programs and the help file in one program folder, the bin links resolving to
# them, the desktop entry, metainfo, icons and project file type under the
# application's id.
# cmake -DBUILD_DIR=... -DSTAGE=... -DPROGRAM_DIR=... -DAPP_ID=... -P CheckInstallLayout.cmake
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

set(program_dir "${STAGE}/${PROGRAM_DIR}")
foreach(file lectorio lectorio-cli lectorio-cli-media vorla.chm help/index.html help/style.css)
  if(NOT EXISTS "${program_dir}/${file}")
    message(FATAL_ERROR "${file} is not in the program folder ${program_dir}")
  endif()
endforeach()
file(REAL_PATH "${program_dir}" real_program_dir)
foreach(program lectorio lectorio-cli)
  set(link "${STAGE}/bin/${program}")
  if(NOT IS_SYMLINK "${link}")
    message(FATAL_ERROR "${link} is not a link")
  endif()
  file(REAL_PATH "${link}" target)
  if(NOT target STREQUAL "${real_program_dir}/${program}")
    message(FATAL_ERROR "${link} leads to ${target}, not into the program folder")
  endif()
endforeach()
execute_process(COMMAND "${STAGE}/bin/lectorio-cli" --help RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed lectorio-cli does not run through its link")
endif()
foreach(file "share/applications/${APP_ID}.desktop" "share/metainfo/${APP_ID}.metainfo.xml"
             "share/mime/packages/${APP_ID}.xml"
             "share/icons/hicolor/48x48/apps/${APP_ID}.png" "share/icons/hicolor/scalable/apps/${APP_ID}.svg")
  if(NOT EXISTS "${STAGE}/${file}")
    message(FATAL_ERROR "${file} is not installed")
  endif()
endforeach()
# The staged desktop entry is valid, and the staged type database, built as a
# package's install would build it, knows project files.
foreach(tool desktop-file-validate update-mime-database)
  find_program(${tool}_path ${tool})
  if(NOT ${tool}_path)
    message(FATAL_ERROR "${tool} is not installed (scripts/install-deps.sh --tests installs it)")
  endif()
endforeach()
execute_process(COMMAND ${desktop-file-validate_path} "${STAGE}/share/applications/${APP_ID}.desktop"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
  message(FATAL_ERROR "the installed desktop entry is not valid: ${output}")
endif()
execute_process(COMMAND ${update-mime-database_path} "${STAGE}/share/mime" RESULT_VARIABLE result)
file(STRINGS "${STAGE}/share/mime/globs2" globs REGEX "application/x-lectorio-project:[*][.]vprj")
if(NOT result EQUAL 0 OR NOT globs OR NOT EXISTS "${STAGE}/share/mime/application/x-lectorio-project.xml")
  message(FATAL_ERROR "update-mime-database does not register *.vprj from the installed type")
endif()
file(READ "${STAGE}/share/applications/${APP_ID}.desktop" entry)
if(NOT entry MATCHES "\nExec=lectorio %f\n" OR NOT entry MATCHES "\nMimeType=application/x-lectorio-project[;]\n")
  message(FATAL_ERROR "the desktop entry does not open project files")
endif()
file(REMOVE_RECURSE "${STAGE}")
