# zr540_add_qtest(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [ENV <VAR=value...>])
#
# One Qt Test executable per concern, registered with CTest under its own name. Widget tests run
# on the offscreen platform; the label says which CI pass runs it ("unit", "integration", "gui").
function(zr540_add_qtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  target_compile_definitions(${name} PRIVATE
    ZR540_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ZR540_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    ZR540_SHARED_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/../shared/testdata")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}")
endfunction()

# zr540_add_x11_test(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
#
# A test that needs a real X server: Linux with X11 only, run under `xvfb-run` (or on its own,
# where it skips itself, when xvfb-run is missing). Label "gui": the normal build runs it.
function(zr540_add_x11_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
  endif()
  find_package(X11)
  if(NOT X11_FOUND)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${X11_INCLUDE_DIR})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS} ${X11_LIBRARIES})
  find_program(ZR540_XVFB_RUN xvfb-run)
  if(ZR540_XVFB_RUN)
    add_test(NAME ${name} COMMAND ${ZR540_XVFB_RUN} -a -s "-screen 0 1024x768x24" $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 300 ENVIRONMENT "${T_ENV}")
endfunction()
