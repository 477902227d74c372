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
