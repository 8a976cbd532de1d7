# The game as a page (scripts/build-web.sh): klice.js and klice.wasm, and
# klice.data, the file system the program starts with: the data files and
# the font in the working folder "/", where the game looks first, so that
# its loading code is the same as on the desktop. The page itself
# (index.html) is ours, in platform/web/site/.
set(web_exports _main _klice_web_audio_mix _klice_web_ticks _klice_web_dropped_ticks)
list(JOIN web_exports "," web_exports)
target_link_options(klice PRIVATE
  "SHELL:--preload-file ${KLICE_DATA_DIR}@/"
  "SHELL:-s ALLOW_MEMORY_GROWTH=1"
  "SHELL:-s INITIAL_MEMORY=64MB"
  "SHELL:-s EXPORTED_FUNCTIONS=[${web_exports}]"
  "SHELL:-s EXPORTED_RUNTIME_METHODS=[ccall]"
  "SHELL:-s ENVIRONMENT=web"
  "SHELL:-s EXIT_RUNTIME=0")
set_target_properties(klice PROPERTIES SUFFIX ".js")
set_property(TARGET klice APPEND PROPERTY LINK_DEPENDS ${KLICE_DATA_DIR}/krajina.dat)
