# Every third-party library, found once and exposed as an imported target.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(X11 REQUIRED)
find_package(Boost REQUIRED)

pkg_check_modules(OGRE REQUIRED IMPORTED_TARGET OGRE OGRE-Overlay)
pkg_check_modules(OIS REQUIRED IMPORTED_TARGET OIS)
pkg_check_modules(BULLET REQUIRED IMPORTED_TARGET bullet)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(PYEMBED REQUIRED IMPORTED_TARGET python-3.11-embed)

# Ogre's window-event classes live in OgreBites; its pkg-config file drags in SDL2, so link it directly.
find_library(OGRE_BITES_LIBRARY OgreBites REQUIRED)
find_path(OGRE_BITES_INCLUDE_DIR OgreWindowEventUtilities.h PATH_SUFFIXES OGRE/Bites REQUIRED)
add_library(OgreBitesDirect INTERFACE)
target_link_libraries(OgreBitesDirect INTERFACE ${OGRE_BITES_LIBRARY})
target_include_directories(OgreBitesDirect SYSTEM INTERFACE ${OGRE_BITES_INCLUDE_DIR})

find_library(TINYXML_LIBRARY tinyxml REQUIRED)
find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
add_library(TinyXml INTERFACE)
target_link_libraries(TinyXml INTERFACE ${TINYXML_LIBRARY})
target_include_directories(TinyXml SYSTEM INTERFACE ${TINYXML_INCLUDE_DIR})
target_compile_definitions(TinyXml INTERFACE TIXML_USE_STL)

find_package(Boost REQUIRED COMPONENTS python311)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)

set(GORVANE_OGRE_PLUGIN_DIR /usr/lib/x86_64-linux-gnu/OGRE)
