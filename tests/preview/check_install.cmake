# Installs the build into a scratch prefix and checks the layout the desktop
# expects, then makes a thumbnail with the installed program and plug-in.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

include(GNUInstallDirs)
set(expected
  bin/qvdraw
  ${CMAKE_INSTALL_LIBDIR}/drawpreview.so
  share/applications/drawapp.desktop
  share/mime/packages/qvdraw-mime.xml
  share/thumbnailers/qvdraw.thumbnailer
  share/icons/hicolor/scalable/apps/drawapp.svg)
foreach(f ${expected})
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

file(READ "${PREFIX}/share/thumbnailers/qvdraw.thumbnailer" thumbnailer)
if(NOT thumbnailer MATCHES "Exec=qvdraw thumbnail -s %s %i %o")
  message(FATAL_ERROR "the thumbnailer does not run qvdraw thumbnail")
endif()
file(READ "${PREFIX}/share/mime/packages/qvdraw-mime.xml" mime)
if(NOT mime MATCHES "application/x-qvdraw" OR NOT mime MATCHES "\\*\\.qvdraw")
  message(FATAL_ERROR "the MIME type does not claim *.qvdraw")
endif()

# The installed program finds the installed plug-in.
set(doc "${PREFIX}/check/Plan.qvdraw")
file(WRITE "${doc}/Shapes.xml"
  "<?xml version=\"1.0\"?>\n<qvdrawdocument><page color=\"#FFFFFF\"/></qvdrawdocument>\n")
execute_process(COMMAND "${PREFIX}/bin/qvdraw" thumbnail -s 64 "${doc}" "${PREFIX}/check/t.png"
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT EXISTS "${PREFIX}/check/t.png")
  message(FATAL_ERROR "the installed qvdraw made no thumbnail: ${status} ${err}")
endif()
