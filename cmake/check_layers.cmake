# Runs the probes LayerCheck.cmake set up: cmake -DBUILD_DIR=... -DLAYERS=a;b
# -DCONTROL=c -P check_layers.cmake
function(build_probe layer result output)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target qt_probe_${layer}
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result} ${code} PARENT_SCOPE)
  set(${output} "${out}${err}" PARENT_SCOPE)
endfunction()

build_probe(${CONTROL} code out)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the probe does not even compile in the Qt backend (${CONTROL}):\n${out}")
endif()
message(STATUS "${CONTROL}: <QWidget> compiles, as it should")

foreach(layer IN LISTS LAYERS)
  build_probe(${layer} code out)
  if(code EQUAL 0)
    message(FATAL_ERROR "${layer} can include <QWidget>: Qt leaks into a layer that must not see it")
  endif()
  if(NOT out MATCHES "QWidget(: No such file or directory|. file not found)")
    message(FATAL_ERROR "the probe of ${layer} failed for another reason than the missing header:\n${out}")
  endif()
  message(STATUS "${layer}: <QWidget> not found, as it should be")
endforeach()
