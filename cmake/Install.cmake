# SPDX-License-Identifier: GPL-3.0-or-later
# Install rules. The layout below the prefix is fixed: the programs find their
# resources from their own executable as ../share/kt58-animator/
# (src/platform/program_folder.cpp), so any prefix works.
set(KT58_RESOURCE_DESTINATION share/kt58-animator)
set(KT58_DOC_DESTINATION share/doc/kt58-animator)

# Manual pages and the changelog are installed compressed, as man and
# Debian expect them; -n leaves the name and time out, so the same text
# always gives the same bytes.
find_program(KT58_GZIP gzip REQUIRED)
function(kt58_install_compressed source destination)
  get_filename_component(name ${source} NAME)
  set(compressed ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/compressed/${name}
    COMMAND ${KT58_GZIP} -9nf ${CMAKE_BINARY_DIR}/compressed/${name}
    DEPENDS ${source}
    VERBATIM)
  add_custom_target(compress_${name} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()

# What the project is under, and who maintains its package.
configure_file(resources/debian/copyright ${CMAKE_BINARY_DIR}/doc/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright DESTINATION ${KT58_DOC_DESTINATION})
# The project builds its own package, so the changelog is that of a native
# Debian package: changelog.gz.
kt58_install_compressed(${CMAKE_SOURCE_DIR}/resources/debian/changelog ${KT58_DOC_DESTINATION})

if(TARGET kt58)
  install(TARGETS kt58 RUNTIME DESTINATION bin)
  install(FILES ${KT58_SAMPLE_PROJECT} DESTINATION ${KT58_RESOURCE_DESTINATION}/Projects)
  kt58_install_compressed(${CMAKE_SOURCE_DIR}/resources/man/kt58.1 share/man/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/completion/kt58 DESTINATION share/bash-completion/completions)
endif()

# The user guide. The build folder gets a copy too, so that a copy run from
# there finds it where an installed one does.
file(GLOB_RECURSE KT58_HELP_FILES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/resources/help
  ${CMAKE_SOURCE_DIR}/resources/help/*)
set(KT58_HELP_COPIES)
foreach(page ${KT58_HELP_FILES})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/help/${page}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/help/${page} ${CMAKE_BINARY_DIR}/help/${page}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/${page}
    VERBATIM)
  list(APPEND KT58_HELP_COPIES ${CMAKE_BINARY_DIR}/help/${page})
endforeach()
if(KT58_HELP_COPIES)
  add_custom_target(help_pages ALL DEPENDS ${KT58_HELP_COPIES})
  install(DIRECTORY resources/help/ DESTINATION ${KT58_RESOURCE_DESTINATION}/help)
endif()

if(TARGET kt58-animator)
  install(TARGETS kt58-animator RUNTIME DESTINATION bin)
  kt58_install_compressed(${CMAKE_SOURCE_DIR}/resources/man/kt58-animator.1 share/man/man1)
  install(FILES resources/desktop/kt58-animator.desktop DESTINATION share/applications)
  install(FILES resources/desktop/kt58-animator.xml DESTINATION share/mime/packages)

  # The icon: the drawing, and the bitmap sizes desktops look for first,
  # rendered from it.
  find_program(KT58_RSVG_CONVERT rsvg-convert REQUIRED)
  set(KT58_ICON_SVG ${CMAKE_SOURCE_DIR}/resources/icons/kt58-animator.svg)
  install(FILES ${KT58_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)
  set(KT58_ICON_PNGS)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/kt58-animator.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${KT58_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${KT58_ICON_SVG}
      DEPENDS ${KT58_ICON_SVG}
      VERBATIM)
    list(APPEND KT58_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${KT58_ICON_PNGS})
endif()
