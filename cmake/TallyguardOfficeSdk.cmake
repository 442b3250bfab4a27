# LibreOffice's SDK for the office module, the office tests, the test scene and the benchmark:
# where it is, the UNO types each of them uses, and `tallyguard_use_office_sdk`, which generates
# the C++ headers of just those types for a target and gives it the SDK's flags and libraries.
include_guard(GLOBAL)

set(TALLYGUARD_LO_PROGRAM_DIR "/usr/lib/libreoffice/program" CACHE PATH
    "LibreOffice program folder (runtime libraries, types.rdb, fundamentalrc)")
set(TALLYGUARD_LO_SDK_DIR "/usr/lib/libreoffice/sdk" CACHE PATH "LibreOffice SDK folder")
find_path(TALLYGUARD_LO_INCLUDE_DIR sal/config.h
  PATHS /usr/include/libreoffice ${TALLYGUARD_LO_SDK_DIR}/include NO_DEFAULT_PATH)
find_program(TALLYGUARD_CPPUMAKER cppumaker PATHS ${TALLYGUARD_LO_SDK_DIR}/bin NO_DEFAULT_PATH)

if(TALLYGUARD_LO_INCLUDE_DIR AND TALLYGUARD_CPPUMAKER
   AND EXISTS ${TALLYGUARD_LO_PROGRAM_DIR}/types/offapi.rdb)
  set(TALLYGUARD_HAVE_OFFICE_SDK ON)
else()
  set(TALLYGUARD_HAVE_OFFICE_SDK OFF)
endif()

# What the office module asks of a running office.
set(TALLYGUARD_OFFICE_MODULE_UNO_TYPES
  com.sun.star.beans.UnknownPropertyException
  com.sun.star.beans.XExactName
  com.sun.star.bridge.UnoUrlResolver
  com.sun.star.connection.NoConnectException
  com.sun.star.lang.DisposedException
  com.sun.star.lang.IllegalArgumentException
  com.sun.star.lang.XMultiComponentFactory
  com.sun.star.lang.XSingleServiceFactory
  com.sun.star.reflection.InvocationTargetException
  com.sun.star.script.CannotConvertException
  com.sun.star.script.Converter
  com.sun.star.script.XInvocation2
  com.sun.star.uno.XComponentContext
  # The change watch's listeners.
  com.sun.star.container.XEnumeration
  com.sun.star.container.XEnumerationAccess
  com.sun.star.document.DocumentEvent
  com.sun.star.document.XDocumentEventBroadcaster
  com.sun.star.document.XDocumentEventListener
  com.sun.star.frame.Desktop
  com.sun.star.frame.XDesktop2
  com.sun.star.frame.XModel
  com.sun.star.frame.theGlobalEventBroadcaster
  com.sun.star.lang.XServiceInfo
  com.sun.star.util.XModifyBroadcaster
  com.sun.star.util.XModifyListener
  com.sun.star.lang.XTypeProvider
  com.sun.star.uno.XAggregation
  com.sun.star.uno.XWeak
)

# What the tests, the test scene and the benchmark use to open, fill and store documents in a
# real office of their own.
set(TALLYGUARD_OFFICE_TEST_UNO_TYPES
  com.sun.star.awt.Rectangle
  com.sun.star.sheet.XCellAddressable
  com.sun.star.sheet.XSheetAnnotations
  com.sun.star.sheet.XSheetAnnotationsSupplier
  com.sun.star.table.CellRangeAddress
  com.sun.star.table.XTableCharts
  com.sun.star.table.XTableChartsSupplier
  com.sun.star.table.XColumnRowRange
  com.sun.star.sheet.XCellRangeAddressable
  com.sun.star.table.XTableRows
  com.sun.star.beans.PropertyValue
  com.sun.star.bridge.UnoUrlResolver
  com.sun.star.connection.NoConnectException
  com.sun.star.container.XEnumeration
  com.sun.star.container.XEnumerationAccess
  com.sun.star.container.XIndexAccess
  com.sun.star.document.XDocumentProperties
  com.sun.star.document.XDocumentPropertiesSupplier
  com.sun.star.frame.Desktop
  com.sun.star.frame.XComponentLoader
  com.sun.star.frame.XDesktop2
  com.sun.star.frame.XModel
  com.sun.star.frame.XStorable
  com.sun.star.frame.XTitle
  com.sun.star.lang.XComponent
  com.sun.star.lang.XServiceInfo
  com.sun.star.sheet.XCellRangeData
  com.sun.star.sheet.XSpreadsheet
  com.sun.star.sheet.XSpreadsheetDocument
  com.sun.star.sheet.XSpreadsheets
  com.sun.star.table.XCell
  com.sun.star.table.XCellRange
  com.sun.star.text.XText
  com.sun.star.text.XTextDocument
  com.sun.star.uno.XComponentContext
  com.sun.star.util.XCloseable
  com.sun.star.util.XModifiable
)

# Generates the C++ headers of just the named UNO types (and what they need) for `target`, and
# gives it the SDK's flags, libraries and run path.
function(tallyguard_use_office_sdk target)
  set(outdir ${CMAKE_CURRENT_BINARY_DIR}/${target}_uno_headers)
  set(stamp ${outdir}/generated.stamp)
  set(type_args -Tcom.sun.star.uno.DeploymentException)
  foreach(type IN LISTS ARGN)
    list(APPEND type_args -T${type})
  endforeach()
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
    COMMAND ${TALLYGUARD_CPPUMAKER} -Gc -O${outdir} ${type_args}
            ${TALLYGUARD_LO_PROGRAM_DIR}/types.rdb ${TALLYGUARD_LO_PROGRAM_DIR}/types/offapi.rdb
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    COMMENT "Generating office SDK headers for ${target}"
    VERBATIM)
  add_custom_target(${target}_uno_headers DEPENDS ${stamp})
  add_dependencies(${target} ${target}_uno_headers)
  target_include_directories(${target} SYSTEM PRIVATE ${outdir} ${TALLYGUARD_LO_INCLUDE_DIR})
  target_compile_options(${target} PRIVATE ${TALLYGUARD_OFFICE_SDK_SANITIZE_OPTIONS})
  target_compile_definitions(${target} PRIVATE LINUX UNX CPPU_ENV=gcc3
    TALLYGUARD_LO_PROGRAM_DIR="${TALLYGUARD_LO_PROGRAM_DIR}")
  foreach(lib uno_cppuhelpergcc3 uno_cppu uno_salhelpergcc3 uno_sal)
    target_link_libraries(${target} PRIVATE ${TALLYGUARD_LO_SDK_DIR}/lib/lib${lib}.so)
  endforeach()
  set_target_properties(${target} PROPERTIES
    BUILD_RPATH ${TALLYGUARD_LO_PROGRAM_DIR} INSTALL_RPATH ${TALLYGUARD_LO_PROGRAM_DIR})
endfunction()
