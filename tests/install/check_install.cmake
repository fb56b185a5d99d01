# Installs the build into a scratch prefix, once with --prefix and once staged with
# DESTDIR as packagers do, and checks what landed there: the program, its data folder
# where the program looks for it, the desktop entry, the icons, the AppStream data,
# and the thumbnailer with its entry, run as a file manager runs it.
# Run as: cmake -DBUILD_DIR=... -DWORK_DIR=... -DDATA_FROM_BIN=... -DAPP_ID=... -P check_install.cmake

foreach(_var BUILD_DIR WORK_DIR DATA_FROM_BIN APP_ID)
  if(NOT DEFINED ${_var} OR "${${_var}}" STREQUAL "")
    message(FATAL_ERROR "check_install.cmake needs -D${_var}=...")
  endif()
endforeach()

set(_failures "")
macro(fail text)
  list(APPEND _failures "${text}")
  message(SEND_ERROR "${text}")
endmacro()

function(require_file label path)
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    fail("${label}: missing installed file ${path}")
    set(_failures "${_failures}" PARENT_SCOPE)
  endif()
endfunction()

# Width and height from a PNG's IHDR chunk (big-endian at offsets 16 and 20).
function(png_size path out)
  file(READ "${path}" _hex OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${_hex}" 0 8 _w)
  string(SUBSTRING "${_hex}" 8 8 _h)
  math(EXPR _w "0x${_w}")
  math(EXPR _h "0x${_h}")
  set(${out} "${_w}x${_h}" PARENT_SCOPE)
endfunction()

# The value of `key` in the [Desktop Entry] group of a desktop file.
function(desktop_value path key out)
  file(STRINGS "${path}" _lines REGEX "^${key}=")
  list(LENGTH _lines _n)
  if(NOT _n EQUAL 1)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "^${key}=" "" _value "${_lines}")
  set(${out} "${_value}" PARENT_SCOPE)
endfunction()

# `root` (optional) is where a staged install sits: the installed entries name
# files as they will be after the stage is unpacked.
function(check_tree prefix label)
  set(_root "${ARGV2}")
  set(_bin "${prefix}/bin/zorvane")
  if(NOT EXISTS "${_bin}")
    fail("${label}: the program was not installed as ${_bin}")
  else()
    file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${_bin}" RESOLVED_DEPENDENCIES_VAR _deps
         UNRESOLVED_DEPENDENCIES_VAR _missing)
    if(_missing)
      fail("${label}: ${_bin} needs libraries that cannot be found: ${_missing}")
    endif()
    execute_process(COMMAND test -x "${_bin}" RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      fail("${label}: ${_bin} is not executable")
    endif()
  endif()

  # The program finds its home folder at this place relative to its own folder; the
  # help page must be there or every message about help and pictures names a
  # folder that does not exist.
  get_filename_component(_home "${prefix}/bin/${DATA_FROM_BIN}" ABSOLUTE)
  if(NOT _home STREQUAL "${prefix}/share/zorvane")
    fail("${label}: the program looks for its data in ${_home}, installed at ${prefix}/share/zorvane")
  endif()
  foreach(_f Zorvane.html _NoImage.gif _TooBig.gif _DBMiss.gif zorvane.png quellbrook.png
             icons/cancel.png icons/find.png icons/help.png icons/thumbnails.png
             samples/index.html)
    require_file("${label}" "${_home}/${_f}")
  endforeach()

  set(_share "${prefix}/share")
  set(_desktop "${_share}/applications/${APP_ID}.desktop")
  set(_metainfo "${_share}/metainfo/${APP_ID}.metainfo.xml")
  require_file("${label}" "${_desktop}")
  require_file("${label}" "${_metainfo}")
  require_file("${label}" "${_share}/icons/hicolor/scalable/apps/${APP_ID}.svg")
  foreach(_size 48 64 128 256)
    set(_png "${_share}/icons/hicolor/${_size}x${_size}/apps/${APP_ID}.png")
    require_file("${label}" "${_png}")
    if(EXISTS "${_png}")
      png_size("${_png}" _actual)
      if(NOT _actual STREQUAL "${_size}x${_size}")
        fail("${label}: ${_png} is ${_actual}, its theme folder says ${_size}x${_size}")
      endif()
    endif()
  endforeach()

  if(EXISTS "${_desktop}")
    desktop_value("${_desktop}" Icon _icon)
    if(NOT _icon STREQUAL APP_ID)
      fail("${label}: the desktop entry's Icon is '${_icon}', the installed icon is '${APP_ID}'")
    endif()
    desktop_value("${_desktop}" Exec _exec)
    string(REGEX REPLACE " .*" "" _exec "${_exec}")
    get_filename_component(_exec "${_exec}" NAME)
    if(NOT _exec STREQUAL "zorvane")
      fail("${label}: the desktop entry starts '${_exec}', the installed program is 'zorvane'")
    endif()
  endif()
  if(EXISTS "${_metainfo}")
    file(READ "${_metainfo}" _xml)
    if(NOT _xml MATCHES "<launchable type=\"desktop-id\">${APP_ID}\\.desktop</launchable>")
      fail("${label}: ${_metainfo} does not launch ${APP_ID}.desktop")
    endif()
    if(NOT _xml MATCHES "<binary>zorvane</binary>")
      fail("${label}: ${_metainfo} does not provide the binary zorvane")
    endif()
  endif()

  # The freedesktop validators, when this machine has them (desktop-file-utils,
  # appstream). validate-tree also checks that the launchable's desktop file exists.
  find_program(_desktop_validate desktop-file-validate)
  if(_desktop_validate)
    execute_process(COMMAND "${_desktop_validate}" "${_desktop}"
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
    if(NOT _rc EQUAL 0 OR _out MATCHES "error:")
      fail("${label}: desktop-file-validate rejects ${_desktop}:\n${_out}")
    endif()
  else()
    message(STATUS "desktop-file-validate not found: desktop entry not validated")
  endif()
  find_program(_appstream appstreamcli)
  if(_appstream)
    execute_process(COMMAND "${_appstream}" validate --no-net "${_metainfo}"
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
    if(NOT _rc EQUAL 0)
      fail("${label}: appstreamcli rejects ${_metainfo}:\n${_out}")
    endif()
    execute_process(COMMAND "${_appstream}" validate-tree --no-net "${prefix}"
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
    if(NOT _rc EQUAL 0)
      fail("${label}: appstreamcli rejects the installed tree ${prefix}:\n${_out}")
    endif()
  else()
    message(STATUS "appstreamcli not found: AppStream data not validated")
  endif()

  # The thumbnailer entry, its Exec line filled in as a file manager fills it: %s
  # the size, %u the document's address, %o the picture to write.
  set(_entry "${_share}/thumbnailers/zorvane.thumbnailer")
  require_file("${label}" "${_entry}")
  if(EXISTS "${_entry}")
    file(STRINGS "${_entry}" _group LIMIT_COUNT 1)
    file(STRINGS "${_entry}" _exec REGEX "^Exec=")
    file(STRINGS "${_entry}" _try REGEX "^TryExec=")
    file(STRINGS "${_entry}" _types REGEX "^MimeType=")
    string(REGEX REPLACE "^TryExec=" "${_root}" _try "${_try}")
    if(NOT _group STREQUAL "[Thumbnailer Entry]")
      fail("${label}: ${_entry} does not start with [Thumbnailer Entry]")
    endif()
    if(NOT EXISTS "${_try}")
      fail("${label}: the thumbnailer entry's TryExec names ${_try}, which is not installed")
    endif()
    if(NOT _types MATCHES "text/html" OR NOT _types MATCHES "application/xhtml\\+xml")
      fail("${label}: the thumbnailer entry's ${_types} lacks text/html or application/xhtml+xml")
    endif()
    string(REGEX REPLACE "^Exec=" "${_root}" _exec "${_exec}")
    set(_out "${WORK_DIR}/thumbnail ${label}.png")
    string(REPLACE " " "%20" _document "file://${_home}/samples/index.html")
    string(REPLACE "%s" "256" _exec "${_exec}")
    string(REPLACE "%u" "${_document}" _exec "${_exec}")
    string(REPLACE "%o" "'${_out}'" _exec "${_exec}")
    separate_arguments(_command UNIX_COMMAND "${_exec}")
    execute_process(COMMAND ${_command} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out_text ERROR_VARIABLE _out_text)
    if(NOT _rc EQUAL 0 OR NOT EXISTS "${_out}")
      fail("${label}: the thumbnailer entry's command failed (${_rc}): ${_exec}\n${_out_text}")
    else()
      png_size("${_out}" _actual)
      if(NOT _actual STREQUAL "205x256" AND NOT _actual STREQUAL "204x256")
        fail("${label}: the thumbnailer drew a ${_actual} picture for the size 256")
      endif()
    endif()
  endif()
  set(_failures "${_failures}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")

# A prefix other than the configured one: the layout must not depend on where the
# build meant to go.
set(_prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${_prefix}"
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "cmake --install --prefix ${_prefix} failed:\n${_out}")
endif()
check_tree("${_prefix}" "--prefix")

# A staged install under DESTDIR into /usr, as a Debian package build does.
set(_stage "${WORK_DIR}/stage")
set(ENV{DESTDIR} "${_stage}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
unset(ENV{DESTDIR})
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "DESTDIR=${_stage} cmake --install --prefix /usr failed:\n${_out}")
endif()
check_tree("${_stage}/usr" "DESTDIR" "${_stage}")

# Nothing of the staged install may have escaped DESTDIR.
file(GLOB _stray LIST_DIRECTORIES true "${_stage}/*")
if(NOT _stray STREQUAL "${_stage}/usr")
  fail("DESTDIR: files outside ${_stage}/usr: ${_stray}")
endif()

if(_failures)
  list(LENGTH _failures _n)
  message(FATAL_ERROR "${_n} installation check(s) failed")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "Installation checks passed")
