# A product folder describes one installer: product.ini (build configuration, text mode,
# agreement copyright lines, web addresses), art/ (side pictures, header bitmap, icon
# groups) and the files to install.

# stp_read_product(DIR PREFIX): every "Name = value" line of DIR/product.ini becomes the
# variable PREFIX_Name in the caller's scope.
function(stp_read_product dir prefix)
  set(ini "${dir}/product.ini")
  if(NOT EXISTS "${ini}")
    message(FATAL_ERROR "No product.ini in ${dir}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ini}")
  file(STRINGS "${ini}" lines ENCODING UTF-8)
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*([A-Za-z0-9]+)[ \t]*=(.*)$")
      string(STRIP "${CMAKE_MATCH_2}" value)
      set(${prefix}_${CMAKE_MATCH_1} "${value}" PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

# A text as a string of a resource script: backslashes doubled, quotes doubled.
function(stp_rc_escape out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\"\"" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# stp_product_resources(OUT_RC DIR [TEXT_MODE m] [FREEWARE f] [MANIFEST] [PAYLOAD file]
#                       [NAME file-name])
# Writes the resource script of the product in DIR into the build folder: string table
# 1001 to 1012 and 2000 to 2004, the artwork, with MANIFEST the installer's manifest, with
# PAYLOAD the package. TEXT_MODE and FREEWARE override product.ini. OUT_RC names the script.
function(stp_product_resources out_rc dir)
  cmake_parse_arguments(R "MANIFEST" "TEXT_MODE;FREEWARE;PAYLOAD;NAME" "" ${ARGN})
  stp_read_product("${dir}" P)
  foreach(key WindowClass TitleEnglish TitleChinese DisplayNameEnglish DisplayNameChinese
              Freeware ExeName Version NeedSize)
    if(NOT DEFINED P_${key})
      message(FATAL_ERROR "${dir}/product.ini has no ${key}")
    endif()
  endforeach()
  if(DEFINED R_TEXT_MODE)
    set(P_TextMode "${R_TEXT_MODE}")
  endif()
  if(DEFINED R_FREEWARE)
    set(P_Freeware "${R_FREEWARE}")
  endif()
  if(NOT P_TextMode STREQUAL "0" AND NOT P_TextMode STREQUAL "2" AND NOT P_TextMode STREQUAL "")
    message(FATAL_ERROR "${dir}/product.ini: TextMode must be 0 or 2")
  endif()
  foreach(key WindowClass TitleEnglish TitleChinese DisplayNameEnglish DisplayNameChinese
              Freeware ExeName Version NeedSize TextMode CopyrightAuthor CopyrightMaker
              WebChinese WebHome)
    stp_rc_escape(RC_${key} "${P_${key}}")
  endforeach()
  set(RC_ART "${dir}/art")
  foreach(art ImageLeft0.jpg ImageLeft2.jpg ImageIcon.bmp AppIcon.ico MainIcon.ico)
    if(NOT EXISTS "${RC_ART}/${art}")
      message(FATAL_ERROR "${dir}/art has no ${art}")
    endif()
  endforeach()
  if(R_MANIFEST)
    set(RC_MANIFEST_LINE "1 24 \"${CMAKE_BINARY_DIR}/resources/${P_ExeName}.manifest\"")
    set(STP_MANIFEST_NAME "${P_ExeName}.Setup")
    configure_file(${CMAKE_SOURCE_DIR}/resources/Setup.manifest.in
                   ${CMAKE_BINARY_DIR}/resources/${P_ExeName}.manifest @ONLY)
  else()
    set(RC_MANIFEST_LINE "")
  endif()
  if(R_PAYLOAD)
    set(RC_PAYLOAD_LINE "SetupPackage StpFile \"${R_PAYLOAD}\"")
  else()
    set(RC_PAYLOAD_LINE "")
  endif()
  if(NOT R_NAME)
    set(R_NAME "${P_ExeName}-setup.rc")
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${R_NAME}")
  configure_file(${CMAKE_SOURCE_DIR}/resources/Setup.rc.in "${rc}" @ONLY)
  set(${out_rc} "${rc}" PARENT_SCOPE)
endfunction()

# The package tool of the build machine: the native tree's stp, which the MinGW tree
# cannot run itself.
set(STP_HOST_STP "${CMAKE_SOURCE_DIR}/build/native/bin/stp" CACHE FILEPATH
    "stp of the build machine, used to make the installers' packages")

# stp_product_payload(OUT_FILE DIR PROGRAM_TARGET): the package of the product in DIR,
# made by stp pack at build time from the program PROGRAM_TARGET builds (first, into the
# destination folder) and the files DIR/payload.txt lists. Made once per product; the
# custom target <ExeName>_payload stands for it. OUT_FILE is empty when DIR has no
# payload.txt.
function(stp_product_payload out_file dir program)
  set(${out_file} "" PARENT_SCOPE)
  set(list "${dir}/payload.txt")
  if(NOT EXISTS "${list}")
    return()
  endif()
  stp_read_product("${dir}" P)
  set(package "${CMAKE_BINARY_DIR}/resources/${P_ExeName}.stp")
  set(${out_file} "${package}" PARENT_SCOPE)
  if(TARGET ${P_ExeName}_payload)
    return()
  endif()
  if(NOT EXISTS "${STP_HOST_STP}")
    message(FATAL_ERROR "No stp at ${STP_HOST_STP} to make the ${P_ExeName} package: build the native tree "
                        "first (bash scripts/build.sh native) or set STP_HOST_STP.")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${list}")
  # The sources payload.txt names, so that a changed file remakes the package.
  file(STRINGS "${list}" lines ENCODING UTF-8)
  set(sources)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^#\t][^\t]*)\t")
      list(APPEND sources "${dir}/${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(program_list "${CMAKE_BINARY_DIR}/resources/${P_ExeName}-program.txt")
  file(GENERATE OUTPUT "${program_list}" CONTENT "$<TARGET_FILE:${program}>\t\n")
  add_custom_command(OUTPUT "${package}"
    COMMAND "${STP_HOST_STP}" pack -o "${package}" "${program_list}" "${list}"
    DEPENDS "${STP_HOST_STP}" "${program_list}" "${list}" ${sources} ${program}
    COMMENT "Packing ${P_ExeName}.stp"
    VERBATIM)
  add_custom_target(${P_ExeName}_payload DEPENDS "${package}")
endfunction()

# stp_add_setup(TARGET DIR [TEXT_MODE m] [OUTPUT_NAME name] [PAYLOAD file]
#               [PAYLOAD_TARGET target])
# The installer of the product in DIR, named <ExeName>-<Version>-setup.exe unless
# OUTPUT_NAME is given. PAYLOAD is the package it carries (default: an empty one), made
# by PAYLOAD_TARGET when that is given.
function(stp_add_setup target dir)
  cmake_parse_arguments(S "" "TEXT_MODE;OUTPUT_NAME;PAYLOAD;PAYLOAD_TARGET" "" ${ARGN})
  stp_read_product("${dir}" P)
  if(NOT S_PAYLOAD)
    set(S_PAYLOAD "${CMAKE_BINARY_DIR}/resources/empty.stp")
    if(NOT EXISTS "${S_PAYLOAD}")
      file(WRITE "${S_PAYLOAD}" "")
    endif()
  endif()
  set(extra)
  if(DEFINED S_TEXT_MODE)
    list(APPEND extra TEXT_MODE ${S_TEXT_MODE})
  endif()
  stp_product_resources(rc "${dir}" MANIFEST PAYLOAD "${S_PAYLOAD}" NAME "${target}.rc" ${extra})
  add_executable(${target} WIN32 ${CMAKE_SOURCE_DIR}/app/Main.cpp "${rc}")
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${S_PAYLOAD}")
  if(S_PAYLOAD_TARGET)
    add_dependencies(${target} ${S_PAYLOAD_TARGET})
  endif()
  # With the library's IntToString answered here, Crypto++'s big-number code stays out.
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:stp_crypt_inttostring>)
  target_link_libraries(${target} PRIVATE stp_app)
  target_link_options(${target} PRIVATE -s)  # the installer ships without symbols
  if(NOT S_OUTPUT_NAME)
    set(S_OUTPUT_NAME "${P_ExeName}-${P_Version}-setup")
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME "${S_OUTPUT_NAME}")
endfunction()
