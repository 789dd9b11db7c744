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

# The package tool of the build machine: the native tree's stp, which the MinGW tree
# cannot run itself.
set(STP_HOST_STP "${CMAKE_SOURCE_DIR}/build/native/bin/stp" CACHE FILEPATH
    "stp of the build machine, used to make the installers")
if(NOT EXISTS "${STP_HOST_STP}")
  message(FATAL_ERROR "No stp at ${STP_HOST_STP} to build the installers with: build the native tree "
                      "first (bash scripts/build.sh native) or set STP_HOST_STP.")
endif()

# stp_product_table(OUT NAME): the rows of the host stp's table NAME ("settings":
# KEY|STRING_ID|REQUIRED|DEFAULT, "art": FILE|KIND|RESOURCE_NAME), the tables stp and
# the stubs read, asked of stp rather than read out of the C++ source.
function(stp_product_table out name)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${STP_HOST_STP}")
  execute_process(COMMAND "${STP_HOST_STP}" tables ${name} OUTPUT_VARIABLE text RESULT_VARIABLE failed
                  ERROR_VARIABLE said)
  if(failed OR text STREQUAL "")
    message(FATAL_ERROR "${STP_HOST_STP} tables ${name} failed: ${said}")
  endif()
  string(STRIP "${text}" text)
  string(REPLACE "\n" ";" rows "${text}")
  set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# stp_product_resources(OUT_RC DIR [TEXT_MODE m] [FREEWARE f] [NAME file-name] [DPI_AWARE])
# A resource script of the product in DIR for the test programs that carry a product's
# texts and artwork themselves: the string table of every setting and the artwork.
# TEXT_MODE and FREEWARE override product.ini. OUT_RC names the script.
# DPI_AWARE adds a manifest that makes the program aware of the display's resolution.
# Installers are never compiled: stp build writes the product into the setup stub.
function(stp_product_resources out_rc dir)
  cmake_parse_arguments(R "DPI_AWARE" "TEXT_MODE;FREEWARE;NAME" "" ${ARGN})
  stp_read_product("${dir}" P)
  if(DEFINED R_TEXT_MODE)
    set(P_TextMode "${R_TEXT_MODE}")
  endif()
  if(DEFINED R_FREEWARE)
    set(P_Freeware "${R_FREEWARE}")
  endif()
  stp_product_table(settings settings)
  set(RC_STRINGS "")
  foreach(setting IN LISTS settings)
    string(REPLACE "|" ";" fields "${setting}")
    list(GET fields 0 key)
    list(GET fields 1 id)
    list(GET fields 2 required)
    list(LENGTH fields count)
    set(default "")
    if(count GREATER 3)
      list(GET fields 3 default)
    endif()
    if(NOT DEFINED P_${key})
      if(required STREQUAL "true")
        message(FATAL_ERROR "${dir}/product.ini has no ${key}")
      endif()
      set(P_${key} "${default}")
    endif()
    if(NOT id EQUAL 0)  # a file's setting is no string
      stp_rc_escape(value "${P_${key}}")
      string(APPEND RC_STRINGS "  ${id} \"${value}\"\n")
    endif()
  endforeach()
  # The artwork of the table; the optional twice-as-large pictures only when the product
  # gives them.
  stp_product_table(art_rows art)
  set(RC_ART_LINES "")
  set(kind_Jpeg RCDATA)
  set(kind_Bitmap BITMAP)
  set(kind_Icon ICON)
  foreach(row IN LISTS art_rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 file)
    list(GET fields 1 kind)
    list(GET fields 2 resource)
    if(EXISTS "${dir}/art/${file}")
      string(APPEND RC_ART_LINES "${resource} ${kind_${kind}} \"${dir}/art/${file}\"\n")
    endif()
  endforeach()
  set(RC_MANIFEST "")
  if(R_DPI_AWARE)
    set(RC_MANIFEST "1 24 \"${CMAKE_SOURCE_DIR}/resources/dpi-aware.manifest\"")
  endif()
  if(NOT R_NAME)
    set(R_NAME "${P_ExeName}-resources.rc")
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${R_NAME}")
  configure_file(${CMAKE_SOURCE_DIR}/resources/Setup.rc.in "${rc}" @ONLY)
  set(${out_rc} "${rc}" PARENT_SCOPE)
endfunction()

# stp_stage_product(OUT_DIR NAME DIR PROGRAM_TARGET [OVERLAY dir] [EXTRA_PAYLOAD line...]):
# the product folder DIR as a vendor holds it, in the build tree under NAME: a copy of
# the folder with the program that PROGRAM_TARGET builds beside its payload.txt, the
# files of OVERLAY over it (another product.ini, agreement files), and the EXTRA_PAYLOAD
# lines (SOURCE<tab>FOLDER, absolute sources) added to payload.txt. OUT_DIR is the copy;
# its file .staged is the custom command's output.
function(stp_stage_product out_dir name dir program)
  cmake_parse_arguments(S "" "OVERLAY" "EXTRA_PAYLOAD" ${ARGN})
  set(stage "${CMAKE_BINARY_DIR}/products/${name}")
  set(${out_dir} "${stage}" PARENT_SCOPE)
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS "${dir}/*")
  set(extra)
  if(S_EXTRA_PAYLOAD)
    file(READ "${dir}/payload.txt" list)
    foreach(line IN LISTS S_EXTRA_PAYLOAD)
      string(APPEND list "${line}\n")
      string(REGEX REPLACE "\t.*" "" source "${line}")
      list(APPEND inputs "${source}")
    endforeach()
    set(payload "${CMAKE_CURRENT_BINARY_DIR}/${name}-payload.txt")
    file(WRITE "${payload}" "${list}")
    set(extra COMMAND ${CMAKE_COMMAND} -E copy "${payload}" "${stage}/payload.txt")
  endif()
  if(S_OVERLAY)
    file(GLOB_RECURSE overlay CONFIGURE_DEPENDS "${S_OVERLAY}/*")
    list(APPEND inputs ${overlay})
    list(APPEND extra COMMAND ${CMAKE_COMMAND} -E copy_directory "${S_OVERLAY}" "${stage}")
  endif()
  add_custom_command(OUTPUT "${stage}/.staged"
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${stage}"
    COMMAND ${CMAKE_COMMAND} -E copy_directory "${dir}" "${stage}"
    COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:${program}>" "${stage}/"
    ${extra}
    COMMAND ${CMAKE_COMMAND} -E touch "${stage}/.staged"
    DEPENDS ${inputs} ${program}
    COMMENT "Staging the product folder ${name}"
    VERBATIM)
endfunction()

# stp_build_installer(TARGET DIR PROGRAM_TARGET [OUTPUT_NAME name] [TEXT_MODE m]
#                     [PACKAGE_FILTER script.py] [OVERLAY dir] [EXTRA_PAYLOAD line...])
# The installer of the product folder DIR, made by stp build from the setup stub, into
# bin/<OUTPUT_NAME>.exe (default <ExeName>-<Version>-setup). PACKAGE_FILTER, when given,
# is a Python script run on the packed payload (arguments IN and OUT) whose output the
# installer carries instead, for installers with a damaged package. EXTRA_PAYLOAD lines
# join the product's payload.txt, OVERLAY's files go over the folder (stp_stage_product).
function(stp_build_installer target dir program)
  cmake_parse_arguments(B "" "OUTPUT_NAME;TEXT_MODE;PACKAGE_FILTER;OVERLAY" "EXTRA_PAYLOAD" ${ARGN})
  stp_read_product("${dir}" P)
  if(NOT B_OUTPUT_NAME)
    set(B_OUTPUT_NAME "${P_ExeName}-${P_Version}-setup")
  endif()
  set(overlay)
  if(B_OVERLAY)
    set(overlay OVERLAY "${B_OVERLAY}")
  endif()
  stp_stage_product(stage ${target} "${dir}" ${program} ${overlay} EXTRA_PAYLOAD ${B_EXTRA_PAYLOAD})
  set(out "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${B_OUTPUT_NAME}.exe")
  set(options)
  if(DEFINED B_TEXT_MODE)
    list(APPEND options --text-mode ${B_TEXT_MODE})
  endif()
  set(steps)
  if(B_PACKAGE_FILTER)
    set(package "${CMAKE_CURRENT_BINARY_DIR}/${target}.stp")
    list(APPEND steps
      COMMAND "${STP_HOST_STP}" pack -o "${package}.in" "${stage}/payload.txt"
      COMMAND python3 "${B_PACKAGE_FILTER}" "${package}.in" "${package}")
    list(APPEND options --package "${package}")
  endif()
  add_custom_command(OUTPUT "${out}"
    ${steps}
    COMMAND "${STP_HOST_STP}" build "${stage}" -o "${out}" --stub "$<TARGET_FILE:setup_stub>"
            --uninstaller-stub "$<TARGET_FILE:uninst_stub>" ${options}
    DEPENDS "${STP_HOST_STP}" setup_stub uninst_stub "${stage}/.staged" ${B_PACKAGE_FILTER}
    COMMENT "stp build: ${B_OUTPUT_NAME}.exe"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${out}")
endfunction()
