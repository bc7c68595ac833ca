/* An analyser's register map served by libmodbus, so that zelctl's framing is checked against
 * an implementation that is not ours. Usage:
 *   modbus_peer_server tcp [--station-register N]         prints "modbus-tcp 127.0.0.1:PORT"
 *   modbus_peer_server rtu DEVICE [--station-register N]  prints "rtu DEVICE"
 * Serves until killed. */
#include <arpa/inet.h>
#include <errno.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static void Fill(modbus_mapping_t* map, int stationRegister) {
    uint16_t* holding = map->tab_registers;
    uint16_t* input = map->tab_input_registers;
    holding[0] = (uint16_t)stationRegister;
    holding[1] = 4;      /* port configuration 9600, 8, N, 1 */
    holding[4] = 0x0001; /* model code 0x0001E240 = 123456: three-line */
    holding[5] = 0xE240;
    holding[7] = 31;  /* hardware 3.1 */
    holding[8] = 207; /* software 20.7 */
    holding[12] = 3;
    holding[50] = 150;
    holding[250] = 250;
    holding[450] = 350;
    const int bases[4] = {632, 732, 832, 932};
    for (int i = 0; i < 4; ++i) {
        input[bases[i]] = (uint16_t)(i + 2);
        input[bases[i] + 1] = (uint16_t)i; /* threshold i * 65536 + 1000 + i */
        input[bases[i] + 2] = (uint16_t)(1000 + i);
        input[bases[i] + 7] = (uint16_t)(60 + i);
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: modbus_peer_server tcp|rtu DEVICE [--station-register N]\n");
        return 64;
    }
    const int rtu = strcmp(argv[1], "rtu") == 0;
    int stationRegister = 1;
    for (int i = rtu ? 3 : 2; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--station-register") == 0) {
            stationRegister = atoi(argv[i + 1]);
        }
    }
    modbus_mapping_t* map = modbus_mapping_new(0, 0, 1000, 1000);
    Fill(map, stationRegister);
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];

    if (rtu) {
        if (argc < 3) {
            return 64;
        }
        modbus_t* ctx = modbus_new_rtu(argv[2], 9600, 'N', 8, 1);
        modbus_set_slave(ctx, 1);
        if (ctx == NULL || modbus_connect(ctx) != 0) {
            fprintf(stderr, "modbus_peer_server: %s: %s\n", argv[2], modbus_strerror(errno));
            return 1;
        }
        printf("rtu %s\n", argv[2]);
        fflush(stdout);
        for (;;) {
            const int length = modbus_receive(ctx, query);
            if (length > 0) {
                modbus_reply(ctx, query, length, map);
            }
        }
    }

    modbus_t* ctx = modbus_new_tcp("127.0.0.1", 0);
    const int listener = modbus_tcp_listen(ctx, 4);
    struct sockaddr_in local;
    socklen_t size = sizeof local;
    if (listener < 0 || getsockname(listener, (struct sockaddr*)&local, &size) != 0) {
        fprintf(stderr, "modbus_peer_server: listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    printf("modbus-tcp 127.0.0.1:%d\n", ntohs(local.sin_port));
    fflush(stdout);
    int server = listener;
    for (;;) {
        if (modbus_tcp_accept(ctx, &server) < 0) {
            continue;
        }
        for (;;) {
            const int length = modbus_receive(ctx, query);
            if (length < 0) {
                break;
            }
            if (length > 0) {
                modbus_reply(ctx, query, length, map);
            }
        }
        close(modbus_get_socket(ctx));
        server = listener;
    }
}
