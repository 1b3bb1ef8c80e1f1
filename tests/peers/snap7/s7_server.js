// snap7's S7 server with known contents, as a peer for the PLC check's tests.
//
//   node s7_server.js [--address 127.0.0.1] [--port N] [--pdu SIZE] [--stop] [--db N:HEX ...]
//
// Listens on ADDRESS (a free port when N is 0 or missing), prints the port on a line of its
// own and serves until its standard input closes, so that it ends with the test that started it.
// Contents (big-endian, as a PLC holds them):
//   DB1  (32 bytes): DBX0.0..0.7 = 1,0,1,0,0,0,0,1 (0x85); DBB1 = 200; DBB2 = 'A'; DBB3 = 0x07;
//        DBW4 = 0xBEEF; DBW6 = -1234 (Int); DBD8 = 0xDEADBEEF; DBD12 = -123456789 (DInt);
//        DBD16 = 21.5 (Real); DBD20 = NaN; DBD24 = +Inf; DBW28 = 4711
//   DB2  (4 bytes): DBW0 = 1500
//   M (16 bytes): MB10 = 0x08;  I (8 bytes): IB3 = 0x5A;  Q (8 bytes): QW2 = 0x1234
// No other block exists, except those that --db adds: DB N holding the bytes HEX (big-endian
// as written, at most 65,536 bytes).
'use strict';
const net = require('net');
const path = require('path');
const snap7 = require(path.join(__dirname, 'node_modules', 'node-snap7'));

const args = process.argv.slice(2);
const option = (name, fallback) => {
    const at = args.indexOf(name);
    return at >= 0 && at + 1 < args.length ? args[at + 1] : fallback;
};
const address = option('--address', '127.0.0.1');
const wantedPort = Number(option('--port', '0'));
const pdu = Number(option('--pdu', '480'));
const stopped = args.includes('--stop');
const extraBlocks = [];
for (let i = 0; i + 1 < args.length; ++i) {
    if (args[i] !== '--db')
        continue;
    const match = /^([0-9]{1,5}):((?:[0-9a-fA-F]{2})*)$/.exec(args[i + 1]);
    const number = match ? Number(match[1]) : 0;
    if (!match || number < 1 || number > 65535 || match[2].length === 0 || match[2].length > 2 * 65536) {
        process.stderr.write(`snap7 server: --db takes N:HEX (N from 1 to 65535, 1 to 65,536 bytes), not ${args[i + 1]}\n`);
        process.exit(2);
    }
    extraBlocks.push({ number, bytes: Buffer.from(match[2], 'hex') });
}

function contents() {
    const db1 = Buffer.alloc(32);
    db1[0] = 0x85;
    db1[1] = 200;
    db1[2] = 0x41;
    db1[3] = 0x07;
    db1.writeUInt16BE(0xBEEF, 4);
    db1.writeInt16BE(-1234, 6);
    db1.writeUInt32BE(0xDEADBEEF, 8);
    db1.writeInt32BE(-123456789, 12);
    db1.writeFloatBE(21.5, 16);
    db1.writeUInt32BE(0x7FC00000, 20);
    db1.writeUInt32BE(0x7F800000, 24);
    db1.writeUInt16BE(4711, 28);
    const db2 = Buffer.alloc(4);
    db2.writeUInt16BE(1500, 0);
    const flags = Buffer.alloc(16);
    flags[10] = 0x08;
    const inputs = Buffer.alloc(8);
    inputs[3] = 0x5A;
    const outputs = Buffer.alloc(8);
    outputs.writeUInt16BE(0x1234, 2);
    return { db1, db2, flags, inputs, outputs };
}

function freePort(host) {
    return new Promise((resolve, reject) => {
        const probe = net.createServer();
        probe.once('error', reject);
        probe.listen(0, host, () => {
            const port = probe.address().port;
            probe.close(() => resolve(port));
        });
    });
}

async function main() {
    const server = new snap7.S7Server();
    const memory = contents(); // kept referenced: the server reads these buffers
    server.RegisterArea(server.srvAreaDB, 1, memory.db1);
    server.RegisterArea(server.srvAreaDB, 2, memory.db2);
    for (const block of extraBlocks)
        server.RegisterArea(server.srvAreaDB, block.number, block.bytes);
    server.RegisterArea(server.srvAreaMK, memory.flags);
    server.RegisterArea(server.srvAreaPE, memory.inputs);
    server.RegisterArea(server.srvAreaPA, memory.outputs);
    server.SetParam(server.PDURequest, pdu);
    server.SetCpuStatus(stopped ? server.S7CpuStatusStop : server.S7CpuStatusRun);
    let port = wantedPort;
    for (let attempt = 0; ; ++attempt) {
        if (wantedPort === 0)
            port = await freePort(address);
        server.SetParam(server.LocalPort, port);
        if (server.StartTo(address))
            break;
        if (wantedPort !== 0 || attempt === 20) {
            process.stderr.write(`snap7 server: cannot listen on ${address}:${port}: ${server.ErrorText(server.LastError())}\n`);
            process.exit(1);
        }
    }
    process.stdout.write(`${port}\n`);
    process.stdin.resume();
    process.stdin.on('end', () => {
        server.Stop();
        process.exit(0);
    });
    globalThis.keep = [memory, extraBlocks];
}

main().catch((error) => {
    process.stderr.write(`snap7 server: ${error}\n`);
    process.exit(1);
});
