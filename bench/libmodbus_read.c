/* The nine requests of a three-line device read, made by libmodbus on a fresh Modbus TCP
 * connection: the yardstick for `zelctl read --modbus-tcp`. Usage: libmodbus_read HOST PORT */
#include <errno.h>
#include <modbus/modbus.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: libmodbus_read HOST PORT\n");
        return 64;
    }
    modbus_t* ctx = modbus_new_tcp(argv[1], atoi(argv[2]));
    if (ctx == NULL || modbus_connect(ctx) != 0) {
        fprintf(stderr, "libmodbus_read: %s\n", modbus_strerror(errno));
        return 1;
    }
    modbus_set_slave(ctx, 1);
    uint16_t values[12];
    const int single[4] = {12, 50, 250, 450};
    const int blocks[4] = {632, 732, 832, 932};
    int ok = modbus_read_registers(ctx, 0, 12, values) == 12;
    for (int i = 0; ok && i < 4; ++i) {
        ok = modbus_read_registers(ctx, single[i], 1, values) == 1;
    }
    for (int i = 0; ok && i < 4; ++i) {
        ok = modbus_read_input_registers(ctx, blocks[i], 8, values) == 8;
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return ok ? 0 : 2;
}
