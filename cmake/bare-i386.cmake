# A bare 32-bit x86 machine: the host's g++ in freestanding mode, no C library, no start files.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR i386)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_CXX_FLAGS_INIT "-m32 -march=i386 -ffreestanding -fno-pie -fno-exceptions -fno-rtti -fno-stack-protector -fno-asynchronous-unwind-tables")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -nostdlib -no-pie -static")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
