#include "cpu_instructions.h"

void WritePortByte(uint8_t port, uint8_t value) {
    asm volatile("outb %0, %1" : : "a"(value), "d"(static_cast<uint16_t>(port)) : "memory");
}

uint8_t ReadPortByte(uint8_t port) {
    uint8_t value;
    asm volatile("inb %1, %0" : "=a"(value) : "d"(static_cast<uint16_t>(port)) : "memory");
    return value;
}

void DisableInterrupts() {
    asm volatile("cli" : : : "memory");
}

void EnableInterrupts() {
    asm volatile("sti" : : : "memory");
}

uint16_t SaveFlags() {
    uint16_t flags;
    asm volatile("pushfw\n\tpopw %0" : "=r"(flags) : : "memory");
    return flags;
}

void RestoreFlags(uint16_t flags) {
    asm volatile("pushw %0\n\tpopfw" : : "r"(flags) : "memory", "cc");
}
