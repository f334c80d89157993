# Finds the OpenCV modules TAVO uses (core, imgproc, highgui, videoio;
# video and calib3d for the camera's motion) and provides them as the
# imported target tavo::opencv.
#
# Debian ships OpenCV's CMake package configuration only with the heavy
# libopencv-dev meta package.  When it is present we use it; otherwise we
# locate the headers (include/opencv4) and the six libraries directly.

set(_tavo_opencv_modules core imgproc highgui videoio video calib3d)

find_package(OpenCV 4 QUIET COMPONENTS ${_tavo_opencv_modules})

add_library(tavo::opencv INTERFACE IMPORTED)

if(OpenCV_FOUND)
  message(STATUS "OpenCV ${OpenCV_VERSION} found through its CMake package")
  set(_tavo_targets)
  foreach(_m IN LISTS _tavo_opencv_modules)
    list(APPEND _tavo_targets opencv_${_m})
  endforeach()
  target_link_libraries(tavo::opencv INTERFACE ${_tavo_targets})
  target_include_directories(tavo::opencv INTERFACE ${OpenCV_INCLUDE_DIRS})
else()
  find_path(TAVO_OPENCV_INCLUDE_DIR
    NAMES opencv2/core/core_c.h
    PATH_SUFFIXES opencv4
    DOC "directory holding opencv2/ (usually /usr/include/opencv4)")
  if(NOT TAVO_OPENCV_INCLUDE_DIR)
    message(FATAL_ERROR "OpenCV headers not found: install libopencv-core-dev, "
      "libopencv-imgproc-dev, libopencv-highgui-dev, libopencv-videoio-dev, "
      "libopencv-video-dev and libopencv-calib3d-dev")
  endif()
  set(_tavo_libs)
  foreach(_m IN LISTS _tavo_opencv_modules)
    find_library(TAVO_OPENCV_${_m}_LIBRARY NAMES opencv_${_m})
    if(NOT TAVO_OPENCV_${_m}_LIBRARY)
      message(FATAL_ERROR "OpenCV library opencv_${_m} not found: "
        "install libopencv-${_m}-dev")
    endif()
    list(APPEND _tavo_libs ${TAVO_OPENCV_${_m}_LIBRARY})
  endforeach()
  message(STATUS "OpenCV found by hand: ${TAVO_OPENCV_INCLUDE_DIR}")
  target_include_directories(tavo::opencv INTERFACE ${TAVO_OPENCV_INCLUDE_DIR})
  target_link_libraries(tavo::opencv INTERFACE ${_tavo_libs})
endif()

# Image files (PNG pictures of tavo-track, test videos), as the imported
# target tavo::opencv_imgcodecs; the tracker and the demo do without.
add_library(tavo::opencv_imgcodecs INTERFACE IMPORTED)
if(OpenCV_FOUND AND TARGET opencv_imgcodecs)
  target_link_libraries(tavo::opencv_imgcodecs INTERFACE opencv_imgcodecs tavo::opencv)
else()
  find_library(TAVO_OPENCV_imgcodecs_LIBRARY NAMES opencv_imgcodecs)
  if(NOT TAVO_OPENCV_imgcodecs_LIBRARY)
    message(FATAL_ERROR "OpenCV library opencv_imgcodecs not found: "
      "install libopencv-imgcodecs-dev")
  endif()
  target_link_libraries(tavo::opencv_imgcodecs INTERFACE ${TAVO_OPENCV_imgcodecs_LIBRARY} tavo::opencv)
endif()
