#include "clock_port_access.h"

#include "cpu_instructions.h"

static void SelectCmosRegister(uint8_t select) {
    WritePortByte(PORT_CMOS_INDEX, select);
    WritePortByte(PORT_CMOS_INDEX_MIRROR, select);
}

uint8_t ReadCmosRegister(uint8_t reg) {
    uint16_t flags = SaveFlags();
    DisableInterrupts();
    // NMI stays masked between select and read, so no handler can reselect the index.
    SelectCmosRegister(reg | NMI_DISABLE);
    uint8_t value = ReadPortByte(PORT_CMOS_DATA);
    // Leave D selected with NMI unmasked; the dummy read completes the access cycle.
    SelectCmosRegister(RTC_STATUS_D);
    ReadPortByte(PORT_CMOS_DATA);
    RestoreFlags(flags);
    return value;
}

bool WaitForClockUpdate() {
    for (unsigned polls = CLOCK_UPDATE_POLLS; polls != 0; --polls) {
        // Interrupts stay off from the clear poll until the caller's reads are done:
        // the chip promises 244 us of stable registers after UIP reads clear.
        DisableInterrupts();
        if ((ReadCmosRegister(RTC_STATUS_A) & RTC_A_UIP) == 0) {
            return true;
        }
        EnableInterrupts();
    }
    DisableInterrupts();
    return false;
}
