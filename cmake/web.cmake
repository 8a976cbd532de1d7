# The game as a page (scripts/build-web.sh): klice.js and klice.wasm, and
# klice.data, the file system the program starts with: the data files and
# the font in the working folder "/", where the game looks first, so that
# its loading code is the same as on the desktop. The level backgrounds,
# krajina.dat, are not in it: the site has them beside the page, and the
# program fetches them once its title shows. The page itself (index.html)
# is ours, in platform/web/site/.
#
# The window resource is the native build's copy made for the page
# (klice-web-form, in KLICE_HOST_WEB_FORM_DIR): the long tunes' samples
# cut out, listed in TFORM1.waves, and synthesized again at start from the
# recipes in /sounds (game/web/main.cpp).
set(KLICE_HOST_WEB_FORM_DIR "" CACHE PATH "The page's window resource and its list of tunes (a native build's web-form folder)")
set(web_form ${KLICE_HOST_WEB_FORM_DIR}/TFORM1.bin)
set(web_waves ${KLICE_HOST_WEB_FORM_DIR}/TFORM1.waves)
if(NOT EXISTS "${web_form}" OR NOT EXISTS "${web_waves}")
  message(FATAL_ERROR "The page needs its window resource: set KLICE_HOST_WEB_FORM_DIR to a native build's web-form "
                      "folder (scripts/build-web.sh builds it with the target klice_web_form)")
endif()
klice_embed_resource(klice TFORM1 ${web_form})
file(GLOB web_recipes CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/sounds/*.txt)
set(web_exports _main _klice_web_audio_mix _klice_web_ticks _klice_web_dropped_ticks _klice_web_step
    # the page's checks (tests/web/page_check.mjs), from game/web/main.cpp
    _klice_web_player_x _klice_web_player_y _klice_web_screen _klice_web_backgrounds_ready _klice_web_watch_texts _klice_web_text_count
    _klice_web_text_box)
list(JOIN web_exports "," web_exports)
target_link_options(klice PRIVATE
  "SHELL:--preload-file ${KLICE_DATA_DIR}@/"
  # Fetched once the title shows (game/web/main.cpp), not before it.
  "SHELL:--exclude-file ${KLICE_DATA_DIR}/krajina.dat"
  "SHELL:--preload-file ${web_waves}@/resources/TFORM1.waves"
  "SHELL:--preload-file ${PROJECT_SOURCE_DIR}/assets/sounds@/sounds"
  "SHELL:-s ALLOW_MEMORY_GROWTH=1"
  # The title's start needs about 110 MB: from 64 MB the memory grew twice
  # just before the first frame, which cost about 0.3 s here.
  "SHELL:-s INITIAL_MEMORY=128MB"
  "SHELL:-s EXPORTED_FUNCTIONS=[${web_exports}]"
  "SHELL:-s EXPORTED_RUNTIME_METHODS=[ccall]"
  "SHELL:-s ENVIRONMENT=web"
  "SHELL:-s EXIT_RUNTIME=0")
set_target_properties(klice PROPERTIES SUFFIX ".js")
set_property(TARGET klice APPEND PROPERTY LINK_DEPENDS ${KLICE_DATA_DIR}/krajina.dat ${web_waves} ${web_recipes})
