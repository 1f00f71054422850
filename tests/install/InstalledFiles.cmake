# The files a user gets, relative to the root they are installed under
# ("usr/bin/pellmora-cli", ...): with WINDOWS the program, its desktop
# entry, icon, AppStream metadata, about text, udev rule, manual pages and
# the completion of pellmora-cli too.

# "WIDTHxHEIGHT" from a PNG's header.
function(png_size file result)
  file(READ ${file} header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING ${header} 0 8 width)
  string(SUBSTRING ${header} 8 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  set(${result} "${width}x${height}" PARENT_SCOPE)
endfunction()

function(installed_files result)
  set(files usr/${BINDIR}/pellmora-cli)
  if(WINDOWS)
    png_size(${SOURCE_DIR}/assets/pellmora.png icon_size)
    list(APPEND files usr/${BINDIR}/pellmora usr/${DATADIR}/applications/pellmora.desktop
         usr/${DATADIR}/icons/hicolor/${icon_size}/apps/pellmora.png usr/${DATADIR}/pellmora/about.abg
         usr/${DATADIR}/metainfo/${APP_ID}.metainfo.xml usr/lib/udev/rules.d/60-pellmora-ftdi.rules
         usr/${MANDIR}/man1/pellmora.1.gz usr/${MANDIR}/man1/pellmora-cli.1.gz
         usr/${DATADIR}/bash-completion/completions/pellmora-cli)
  endif()
  list(SORT files)
  set(${result} ${files} PARENT_SCOPE)
endfunction()
