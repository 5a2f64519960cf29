# Installs the libraries, public headers, programs and sample files, and exports the CMake
# package OxQRFilters and the pkg-config file oxqrfilters.pc. Both find their files relative
# to where they were installed, so `cmake --install build --prefix DIR` works for any DIR.
# Static libraries are for the build tree only: they would carry every private dependency.
if(NOT BUILD_SHARED_LIBS)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(OXQR_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/oxqrfilters)
set(OXQR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OxQRFilters)
set(OXQR_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/oxqrfilters)
file(RELATIVE_PATH OXQR_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})

# The public libraries and their names in the package (OxQRFilters::<name>).
set(OXQR_PUBLIC_LIBRARIES
    oxqr_platform=Platform oxqr_data=Data oxqr_richtext=RichText oxqr_engine=Engine
    oxqr_engine_gui=EngineGui oxqr_charting=Charting oxqr_consts=Consts oxqr_export=Export
    oxqr_ctrls=Controls oxqr_expression=Expression oxqr_definition=Definition)
set(OXQR_INSTALLED_LIBRARIES)
foreach(entry ${OXQR_PUBLIC_LIBRARIES})
  string(REPLACE "=" ";" entry ${entry})
  list(GET entry 0 target)
  list(GET entry 1 name)
  set_target_properties(${target} PROPERTIES
    EXPORT_NAME ${name}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
    INSTALL_RPATH "$ORIGIN")
  # Callers compile the headers as C++20.
  set_property(TARGET ${target} APPEND PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)
  list(APPEND OXQR_INSTALLED_LIBRARIES ${target})
endforeach()

install(TARGETS ${OXQR_INSTALLED_LIBRARIES} EXPORT OxQRFiltersTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${OXQR_INCLUDE_SUBDIR})

# The programs find the libraries and their sample files relative to their own folder.
foreach(program oxqr-export oxqr-demodata oxqr-showcase)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${OXQR_BIN_TO_LIB}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The batch entry point beside the programs, so that the scheduler files of deploy/ (installed
# with the sample files) run from a plain install as they do in the container.
if(TARGET oxqr-export)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/deploy/entrypoint.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
          RENAME oxqr-entrypoint)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/deploy/burst-array.sbatch ${PROJECT_SOURCE_DIR}/deploy/burst-parallel.sh
          DESTINATION ${OXQR_SHARE_DIR}/deploy)
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/burst-job.yaml DESTINATION ${OXQR_SHARE_DIR}/deploy)
endif()
if(DEFINED OXQR_DEMODATA_PATH)
  install(FILES ${OXQR_DEMODATA_PATH} DESTINATION ${OXQR_SHARE_DIR})
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Showcase/resources/ DESTINATION ${OXQR_SHARE_DIR})
# The sample definitions with their pictures and rich text, and the definitions' schema.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Showcase/reports/ DESTINATION ${OXQR_SHARE_DIR}/reports)
install(FILES ${PROJECT_SOURCE_DIR}/Showcase/resources/RichTextDemo.RTF ${PROJECT_SOURCE_DIR}/definition/oxr.xsd
        DESTINATION ${OXQR_SHARE_DIR}/reports)
install(FILES ${PROJECT_SOURCE_DIR}/definition/oxr.xsd DESTINATION ${OXQR_SHARE_DIR})

# Public headers: these and every header they include (worked out at install time, so that
# a header that gains an include still installs whole). Relative to the source folder;
# patterns allowed.
set(OXQR_PUBLIC_HEADERS
    platform/Bitmap.h platform/Canvas.h platform/CodePage.h platform/Color.h platform/Errors.h
    platform/Files.h platform/Font.h platform/ImageCodecs.h platform/Locale.h platform/Metafile.h
    platform/MetafileFiles.h platform/PixelFormat.h platform/SafeFile.h platform/Streams.h
    platform/TextMetrics.h platform/Types.h
    data/CountingDataSet.h data/DataSet.h data/DisplayFormat.h data/Table.h
    richtext/RichDocument.h richtext/RichLayout.h richtext/RtfReader.h richtext/RtfWriter.h
    engine/Band.h engine/Chart.h engine/Controls.h engine/EngineTypes.h engine/ExportFilter.h
    engine/FilterLibrary.h engine/Frame.h engine/Printable.h engine/Printer.h engine/Report.h
    engine/SaveCommand.h engine/gui/PreviewWindow.h engine/gui/SaveDialog.h
    charting/ChartApplication.h charting/DBChart.h charting/PieChart.h
    OxQrConsts/OxQrConsts.h
    OxQrExport/core/Settings.h OxQrExport/core/SettingProperties.h OxQrExport/core/Filters.h
    OxQrExport/core/FilterKinds.h OxQrExport/core/ExportFilterBase.h OxQrExport/core/DocumentFilter.h
    OxQrExport/*/*Filter.h OxQrExport/*/*Filters.h
    OxQrCtrls/*.h definition/ReportDefinition.h)
install(CODE "set(OXQR_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
set(OXQR_HEADER_DESTINATION \"${OXQR_INCLUDE_SUBDIR}\")
set(OXQR_PUBLIC_HEADERS \"${OXQR_PUBLIC_HEADERS}\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallHeaders.cmake)

# The CMake package.
install(EXPORT OxQRFiltersTargets NAMESPACE OxQRFilters:: DESTINATION ${OXQR_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/OxQRFiltersConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/OxQRFiltersConfig.cmake INSTALL_DESTINATION ${OXQR_CMAKE_DIR})
# The SONAME carries major.minor, so only a release of the same minor version is compatible.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/OxQRFiltersConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/OxQRFiltersConfig.cmake
              ${PROJECT_BINARY_DIR}/package/OxQRFiltersConfigVersion.cmake
        DESTINATION ${OXQR_CMAKE_DIR})

# pkg-config: one module for all libraries, its prefix taken from where the file lies.
file(RELATIVE_PATH OXQR_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" OXQR_PC_TO_PREFIX "${OXQR_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/oxqrfilters.pc.in ${PROJECT_BINARY_DIR}/package/oxqrfilters.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/oxqrfilters.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
