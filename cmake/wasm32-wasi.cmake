# Build for WebAssembly with WASI, with Debian's clang 19 and wasi-libc
# (clang-19, lld-19, libc++-19-dev-wasm32, libc++abi-19-dev-wasm32,
# libclang-rt-19-dev-wasm32, wasi-libc); the module runs under Node's
# node:wasi and in the browser. CMake knows no WASI platform of its own: the
# name only tells the project which platform files to build.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_SYSROOT /usr)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR node --experimental-wasi-unstable-preview1)
