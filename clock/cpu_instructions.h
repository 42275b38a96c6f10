// The processor instructions the clock reader needs, one plain function each.
// The program links the inline-assembly versions; the tests link a simulated chip instead.
#pragma once

#include <stdint.h>

// Interrupt-enable flag in the flags word.
constexpr uint16_t FLAGS_IF = 0x0200;

void WritePortByte(uint8_t port, uint8_t value); // OUT
uint8_t ReadPortByte(uint8_t port);              // IN
void DisableInterrupts();                        // CLI
void EnableInterrupts();                         // STI
uint16_t SaveFlags();                            // PUSHF
void RestoreFlags(uint16_t flags);               // POPF
