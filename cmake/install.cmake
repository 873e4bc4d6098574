# Install rules: the programs (plaxen with its blanking build and its companions, recmat),
# their manual pages, the grid plotting tool and the example data. `make install PREFIX=...` runs them; install_manifest.txt in the build directory
# lists every file installed, which is what `make uninstall` removes.
include(GNUInstallDirs)

foreach(program plaxen plaxen_blanking plaxen-info plaxen-export plaxen-grid recmat)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# plaxen-export's GDAL writer, where the installed program looks for it (plaxen/export/).
if(TARGET plaxen_export_gdal)
  install(TARGETS plaxen_export_gdal LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/plaxen)
endif()

install(FILES
          ${PROJECT_SOURCE_DIR}/man/plaxen.1
          ${PROJECT_SOURCE_DIR}/man/plaxen-info.1
          ${PROJECT_SOURCE_DIR}/man/plaxen-export.1
          ${PROJECT_SOURCE_DIR}/man/plaxen-grid.1
          ${PROJECT_SOURCE_DIR}/man/recmat.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# tools/plotgrid draws a grid as a PNG; installed, with its page, under a name that says
# whose it is.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/plotgrid
        DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME plaxen-plotgrid)
install(FILES ${PROJECT_SOURCE_DIR}/man/plotgrid.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 RENAME plaxen-plotgrid.1)

install(FILES
          ${PROJECT_SOURCE_DIR}/examples/points.dat
          ${PROJECT_SOURCE_DIR}/examples/points.dialogue
          ${PROJECT_SOURCE_DIR}/examples/masked.dialogue
          ${PROJECT_SOURCE_DIR}/examples/survey.bln
          ${PROJECT_SOURCE_DIR}/examples/station.log
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(PROGRAMS
          ${PROJECT_SOURCE_DIR}/examples/make_points.py
          ${PROJECT_SOURCE_DIR}/examples/make_log.py
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# The Python module plaxen, in the folder Debian's python3 takes packages from under
# PREFIX=/usr (under another PREFIX, PYTHONPATH names PREFIX/lib/python3/dist-packages).
if(TARGET plaxen_python)
  set(python_package_dir lib/python3/dist-packages/plaxen)
  install(TARGETS plaxen_python LIBRARY DESTINATION ${python_package_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/python/plaxen/__init__.py DESTINATION ${python_package_dir})
endif()
