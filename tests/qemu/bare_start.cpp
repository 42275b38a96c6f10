// Multiboot entry for QEMU's -kernel: 32-bit protected mode, interrupts off, no paging.
#include <stdint.h>

constexpr uint32_t MULTIBOOT_MAGIC = 0x1BADB002;
constexpr uint32_t MULTIBOOT_FLAGS = 0;

__attribute__((section(".multiboot"), used)) static const uint32_t MultibootHeader[3] = {
    MULTIBOOT_MAGIC, MULTIBOOT_FLAGS, 0u - (MULTIBOOT_MAGIC + MULTIBOOT_FLAGS)};

extern "C" {
alignas(16) uint8_t BareStack[16384];
}

// The loader leaves the multiboot information record's address in EBX.
asm(".text\n"
    ".globl _start\n"
    "_start:\n"
    "    mov $BareStack + 16384, %esp\n"
    "    push %ebx\n"
    "    call BareMain\n"
    "1:  cli\n"
    "    hlt\n"
    "    jmp 1b\n");
