# launcher_resources(<target> <description>): the manifest and the version
# information of a Windows launcher, made from the project's one version and
# the copyright line of its licence.
file(STRINGS "${PROJECT_SOURCE_DIR}/LICENSE" LAUNCHER_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright \\(c\\) [0-9, -]+ " "" LAUNCHER_AUTHORS "${LAUNCHER_COPYRIGHT}")

function(launcher_resources target description)
  set(LAUNCHER_NAME "${target}")
  set(LAUNCHER_DESCRIPTION "${description}")
  set(LAUNCHER_MANIFEST "${PROJECT_SOURCE_DIR}/launcher/launcher.manifest")
  set(parts ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} ${PROJECT_VERSION_TWEAK} 0 0 0)
  list(TRANSFORM parts REPLACE "^$" "0")
  list(SUBLIST parts 0 4 parts)
  list(JOIN parts "," LAUNCHER_VERSION_COMMAS)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  configure_file("${PROJECT_SOURCE_DIR}/launcher/launcher.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${LAUNCHER_MANIFEST}")
endfunction()
