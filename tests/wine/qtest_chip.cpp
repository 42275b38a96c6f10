#include "qtest_chip.h"

#include <winsock2.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "program_process.h"

void SetChip(const ChipWrite* writes, size_t count) {
    const char* chip = getenv("QEMU_IOPORTS_QTEST");
    const char* colon = chip ? strchr(chip, ':') : nullptr;
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    SOCKET server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(colon ? atoi(colon + 1) : 0));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Expect(connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0,
           "the driver reaches the clock chip");
    char commands[1024];
    int length = 0;
    for (size_t i = 0; i < count; ++i) {
        length += snprintf(commands + length, sizeof commands - length,
                           "outb 0x70 0x%x\noutb 0x71 0x%x\n", writes[i].reg, writes[i].value);
    }
    send(server, commands, length, 0);
    // Each command is answered with a line "OK".
    char replies[1024] = "";
    int got = 0;
    int answered = 0;
    while (answered < 2 * static_cast<int>(count) && got < int{sizeof replies} - 1) {
        int n = recv(server, replies + got, sizeof replies - 1 - got, 0);
        if (n <= 0) {
            break;
        }
        for (int i = got; i < got + n; ++i) {
            answered += replies[i] == '\n';
        }
        got += n;
    }
    closesocket(server);
    Expect(answered == 2 * static_cast<int>(count) && strstr(replies, "FAIL") == nullptr,
           "the chip takes every register written to it");
}
