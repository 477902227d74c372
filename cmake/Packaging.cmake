# Desktop integration and the Debian package.
#
# Everything the package holds is in the install component "zr540": the program, the read-only
# data the per-user folder is seeded from (share/zr540), the udev rule, the desktop entry, the
# AppStream metadata, the icons and the copyright file. The local account server is a development
# tool and stays out of it.
#
#   cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DZR540_BUILD_TESTS=OFF ...
#   cmake --build build/package --target zr540 zr540-icons
#   (cd build/package && cpack)          -> build/package/zr540_<version>-1_<arch>.deb
#
# scripts/package does this and checks the result.
if(NOT (UNIX AND NOT APPLE))
  return()
endif()

set(ZR540_APP_ID "io.github.zr540.Utility")
set(ZR540_MAINTAINER "The ZR540 utility developers <zr540@example.com>")

install(FILES ${PROJECT_SOURCE_DIR}/install/desktop/${ZR540_APP_ID}.desktop
        DESTINATION share/applications COMPONENT zr540)
install(FILES ${PROJECT_SOURCE_DIR}/install/desktop/${ZR540_APP_ID}.metainfo.xml
        DESTINATION share/metainfo COMPONENT zr540)
install(FILES ${PROJECT_SOURCE_DIR}/install/debian/copyright DESTINATION share/doc/zr540 COMPONENT zr540)

# The icons: the 48 px drawing (bolder gaps) for the small sizes, the 128 px one for the rest and
# as the scalable icon.
if(TARGET zr540-svg2png)
  set(icons)
  foreach(size 16 24 32 48 64 128 256)
    if(size LESS_EQUAL 48)
      set(svg ${PROJECT_SOURCE_DIR}/resources/svg/48-icon.svg)
    else()
      set(svg ${PROJECT_SOURCE_DIR}/resources/svg/128-128.svg)
    endif()
    set(dir ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps)
    set(png ${dir}/${ZR540_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
              $<TARGET_FILE:zr540-svg2png> ${svg} ${png} ${size}
      DEPENDS ${svg} zr540-svg2png
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
    list(APPEND icons ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT zr540)
  endforeach()
  add_custom_target(zr540-icons ALL DEPENDS ${icons})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/svg/128-128.svg DESTINATION share/icons/hicolor/scalable/apps
          RENAME ${ZR540_APP_ID}.svg COMPONENT zr540)
endif()

# Debian wants the package's changelog beside the copyright file, compressed at the highest level
# and without a time stamp. Only the package gets it: a plain `cmake --install` leaves it out.
find_program(ZR540_GZIP gzip)
if(ZR540_GZIP)
  set(changelog ${PROJECT_SOURCE_DIR}/install/debian/changelog)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/debian)
  execute_process(COMMAND ${ZR540_GZIP} -9 -n -c ${changelog}
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip ${changelog} failed: ${gzip_result}")
  endif()
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz DESTINATION share/doc/zr540
          COMPONENT zr540 EXCLUDE_FROM_ALL)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zr540)
set(CPACK_PACKAGE_VENDOR "The ZR540 utility developers")
set(CPACK_PACKAGE_CONTACT ${ZR540_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for the ZR540 gaming mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "Sets up what the ZR540 USB gaming mouse keeps in its own memory: its seven
DPI levels and report rate, what each of its twelve buttons does (keys,
media functions, macros), its two lights and the picture on its OLED
display. Five local profiles, a macro recorder and editor, profile files
that carry a setup to another machine, and zr540ctl, a command-line program
for scripts and key bindings.

Without the mouse it runs in a demo mode on a simulated mouse
(zr540 --simulate).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the package's component: not the account server nor anything else a build installs.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};zr540;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZR540_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Every text of the window is Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
