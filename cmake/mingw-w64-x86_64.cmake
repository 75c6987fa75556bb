# Cross build for 64-bit Windows from Debian with MinGW-w64 (g++-mingw-w64-x86-64-posix,
# whose POSIX thread model gives std::thread and std::mutex) against a Qt built for
# win32-g++ (SEG_WINDOWS_QT, by default /opt/qt5-win64). Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SEG_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SEG_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SEG_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${SEG_MINGW}-windres)

if(NOT SEG_WINDOWS_QT)
  if(DEFINED ENV{SEG_WINDOWS_QT})
    set(SEG_WINDOWS_QT $ENV{SEG_WINDOWS_QT})
  else()
    set(SEG_WINDOWS_QT /opt/qt5-win64)
  endif()
endif()
set(SEG_WINDOWS_QT ${SEG_WINDOWS_QT} CACHE PATH "Qt 5 built for Windows (win32-g++)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SEG_WINDOWS_QT)

set(CMAKE_FIND_ROOT_PATH /usr/${SEG_MINGW} ${SEG_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
