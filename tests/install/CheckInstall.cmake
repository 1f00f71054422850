cmake_minimum_required(VERSION 3.25)

# Installs the build into ROOT with DESTDIR and checks what a user gets:
# the two programs (which run and know their version), the desktop entry
# starting the program in the user folder, the icon in the folder of its
# size and the about text; nothing else.

function(fail)
  message(FATAL_ERROR ${ARGV})
endfunction()

function(expect_output command expected)
  # Without a display: --version needs none.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=QT_QPA_PLATFORM --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          ${command} --version
                  RESULT_VARIABLE status OUTPUT_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT output STREQUAL "${expected}\n")
    fail("${command} --version: status ${status}, printed '${output}', expected '${expected}'")
  endif()
endfunction()

# "WIDTHxHEIGHT" from a PNG's header.
function(png_size file result)
  file(READ ${file} header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING ${header} 0 8 width)
  string(SUBSTRING ${header} 8 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  set(${result} "${width}x${height}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  fail("cmake --install failed: ${status}")
endif()

set(prefix ${ROOT}/usr)
set(expected usr/${BINDIR}/pellmora-cli)
if(WINDOWS)
  png_size(${SOURCE_DIR}/assets/pellmora.png icon_size)
  list(APPEND expected usr/${BINDIR}/pellmora usr/${DATADIR}/applications/pellmora.desktop
       usr/${DATADIR}/icons/hicolor/${icon_size}/apps/pellmora.png usr/${DATADIR}/pellmora/about.abg)
endif()
file(GLOB_RECURSE installed RELATIVE ${ROOT} ${ROOT}/*)
list(SORT expected)
list(SORT installed)
if(NOT installed STREQUAL expected)
  fail("installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()

expect_output(${prefix}/${BINDIR}/pellmora-cli "pellmora-cli ${VERSION}")
if(NOT WINDOWS)
  return()
endif()
expect_output(${prefix}/${BINDIR}/pellmora "Pellmora ${VERSION}")

file(STRINGS ${prefix}/${DATADIR}/applications/pellmora.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Exec=pellmora --user-folder" "Icon=pellmora")
  if(NOT line IN_LIST entry)
    fail("the desktop entry lacks the line '${line}'")
  endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SOURCE_DIR}/assets/about.abg
                        ${prefix}/${DATADIR}/pellmora/about.abg RESULT_VARIABLE differs)
if(differs)
  fail("the installed about.abg differs from assets/about.abg")
endif()
