# Copies Debian's TaharezLook skin into the stage (cmake -P script).
#   -DSRC=<CEGUI data directory, e.g. /usr/share/cegui-0.8.7> -DDST=<stage/Media/gui>
# The scheme and the image set are rewritten to name their resource group
# ("imagesets") explicitly, so the image-set default group can stay empty for
# the station's pictures (see GraphicsModuleCegui.config).
foreach(var SRC DST)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "StageTaharezLook.cmake needs -D${var}=...")
  endif()
endforeach()

# Debian links some data files (the DejaVu font) to other packages: copy the
# file a link points at, and give the copy a fresh time stamp so the build
# does not see it as out of date on every run.
function(copy_unchanged relpath destdir)
  get_filename_component(name "${relpath}" NAME)
  get_filename_component(real "${SRC}/${relpath}" REALPATH)
  file(REMOVE "${DST}/${destdir}/${name}")
  file(COPY_FILE "${real}" "${DST}/${destdir}/${name}")
  file(TOUCH "${DST}/${destdir}/${name}")
endfunction()

# Replaces `from` by `to` in a skin file; the skin's text must contain `from`
# exactly once, otherwise the installed CEGUI data differ from what we expect.
function(copy_rewritten relpath destdir from to)
  file(READ "${SRC}/${relpath}" text)
  string(FIND "${text}" "${from}" first)
  string(FIND "${text}" "${from}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "${SRC}/${relpath}: expected exactly one '${from}'")
  endif()
  string(REPLACE "${from}" "${to}" text "${text}")
  get_filename_component(name "${relpath}" NAME)
  file(WRITE "${DST}/${destdir}/${name}.tmp" "${text}")
  file(RENAME "${DST}/${destdir}/${name}.tmp" "${DST}/${destdir}/${name}")
endfunction()

file(MAKE_DIRECTORY "${DST}/schemes" "${DST}/imagesets" "${DST}/fonts" "${DST}/looknfeel")
copy_rewritten(schemes/TaharezLook.scheme schemes
  "<Imageset filename=\"TaharezLook.imageset\""
  "<Imageset filename=\"TaharezLook.imageset\" resourceGroup=\"imagesets\"")
copy_rewritten(imagesets/TaharezLook.imageset imagesets
  "imagefile=\"TaharezLook.png\""
  "imagefile=\"TaharezLook.png\" resourceGroup=\"imagesets\"")
copy_unchanged(imagesets/TaharezLook.png imagesets)
copy_unchanged(looknfeel/TaharezLook.looknfeel looknfeel)
copy_unchanged(fonts/DejaVuSans-10.font fonts)
copy_unchanged(fonts/DejaVuSans-12.font fonts)
copy_unchanged(fonts/DejaVuSans.ttf fonts)
