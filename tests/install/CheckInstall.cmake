cmake_minimum_required(VERSION 3.25)

# Installs the build into ROOT with DESTDIR and checks what a user gets:
# the two programs (which run and know their version), the desktop entry
# starting the program in the user folder, the icon in the folder of its
# size, the about text, the AppStream metadata, the udev rule, the manual
# pages and the completion; nothing else.

include(${CMAKE_CURRENT_LIST_DIR}/InstalledFiles.cmake)

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

file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  fail("cmake --install failed: ${status}")
endif()

set(prefix ${ROOT}/usr)
installed_files(expected)
file(GLOB_RECURSE installed RELATIVE ${ROOT} ${ROOT}/*)
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
