# Every dependency is a Debian package found the ordinary way. The installed package config
# (rdbConfig.cmake) repeats the public ones through find_dependency.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TCL REQUIRED IMPORTED_TARGET tcl8.6)
pkg_check_modules(GD REQUIRED IMPORTED_TARGET gdlib)
find_package(Qt5 REQUIRED COMPONENTS Core)
find_package(nlohmann_json REQUIRED)
find_package(XercesC REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(SQLiteCpp REQUIRED)
find_package(Boost REQUIRED COMPONENTS regex serialization container)
find_package(fmt REQUIRED)
find_package(Microsoft.GSL REQUIRED)
find_package(ZLIB REQUIRED)
