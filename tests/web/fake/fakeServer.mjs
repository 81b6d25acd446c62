// A stand-in server for developing the web client: speaks the command protocol's bytes over raw TCP
// on loopback, serving a folder and a synthetic 16-bit screen. Usage:
//   node fakeServer.mjs --port 8123 --root DIR --web DIR [--password TEXT]
import net from 'node:net';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const argument = (name, fallback) => {
  const at = process.argv.indexOf(`--${name}`);
  return at >= 0 ? process.argv[at + 1] : fallback;
};
const port = Number(argument('port', '8123'));
const root = path.resolve(argument('root', '.'));
const web = path.resolve(argument('web', '.'));
const password = argument('password', null);

const word = (value) => { const b = Buffer.alloc(4); b.writeInt32LE(value | 0); return b; };
const uword = (value) => { const b = Buffer.alloc(4); b.writeUInt32LE(value >>> 0); return b; };
const header = (commandId, type = 'text/html') => Buffer.from(
  `HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: ${type}\r\nConnection: close\r\nCommand-ID: ${commandId}\r\n\r\n`);
const local = (line) => path.join(root, ...line.split(/[\\/]+/).filter((s) => s && s !== '..'));
const fileTime = (ms) => { const t = (BigInt(Math.trunc(ms)) + 11644473600000n) * 10000n; return [Number(t >> 32n), Number(t & 0xffffffffn)]; };

function handle(socket, head, body) {
  const [requestLine, ...lines] = head.split('\r\n');
  const url = requestLine.split(' ')[1] ?? '/';
  const headers = Object.fromEntries(lines.map((l) => [l.slice(0, l.indexOf(':')).toLowerCase(), l.slice(l.indexOf(':') + 1).trim()]));
  const command = Number.parseInt(headers['command-id'] ?? '0', 10) || 0;
  const text = body.toString('utf8');
  const pathLines = text.split('\r\n');
  const send = (...parts) => socket.end(Buffer.concat([header(command === 3001 ? 3004 : 0), ...parts]));
  switch (command) {
    case 3000: return send(word(1), word(password === null ? 0 : 1), Buffer.from('\0'), Buffer.from('\0'));
    case 3013: return send(word(pathLines[0] === (password ?? '') ? 0 : 1));
    case 3001: {
      let names = [];
      try { names = fs.readdirSync(local(pathLines[0])).filter((n) => !n.startsWith('.')); } catch { /* header only */ }
      const records = names.map((name) => {
        const stat = fs.statSync(path.join(local(pathLines[0]), name));
        const [high, low] = fileTime(stat.mtimeMs);
        return Buffer.concat([Buffer.from(`${name}\0`), word(stat.isDirectory() ? 4 : 3), uword(Math.floor(stat.size / 2 ** 32)), uword(stat.size), uword(high), uword(low)]);
      });
      return send(...records);
    }
    case 3005: { let data = Buffer.alloc(0); try { data = fs.readFileSync(local(pathLines[0])); } catch { /* header only */ } return send(data); }
    case 3006: {
      const lineEnd = body.indexOf('\r\n');
      try { fs.writeFileSync(local(body.subarray(0, lineEnd).toString()), body.subarray(lineEnd + 2)); return send(word(0)); } catch { return send(word(1)); }
    }
    case 3009: try { fs.unlinkSync(local(pathLines[0])); return send(word(4000)); } catch { return send(word(4004)); }
    case 3010: try { fs.rmSync(local(pathLines[0]), { recursive: true }); return send(word(4000)); } catch { return send(word(4004)); }
    case 3011: {
      const target = local(pathLines[0]);
      if (fs.existsSync(target)) return send(word(fs.statSync(target).isDirectory() ? 4005 : 4006));
      try { fs.mkdirSync(target); return send(word(4000)); } catch { return send(word(4004)); }
    }
    case 3012: return send(Buffer.from([0, 0, 0, 0xc0, 0, 0, 0, 0]));
    case 3014: {
      const [from, to] = pathLines.map(local);
      if (fs.existsSync(to) || !fs.existsSync(from)) return send(word(0));
      fs.renameSync(from, to);
      return send(word(1));
    }
    case 3015: {
      for (let at = 0; at + 12 <= body.length; at += 12) {
        console.log(`control ${body.readUInt32LE(at)} ${body.readUInt32LE(at + 4)} ${body.readUInt16LE(at + 8)},${body.readUInt16LE(at + 10)}`);
      }
      return send(word(0));
    }
    case 3016: return streamScreen(socket);
    default: {
      const name = url.toLowerCase() === '/qormix.cab' ? 'Qormix.cab' : 'default.html';
      const data = fs.readFileSync(path.join(web, name));
      const page = name === 'default.html' ? Buffer.from(data.toString('utf8').replaceAll('[ip]', (headers.host ?? '').slice(0, 15))) : data;
      return socket.end(Buffer.concat([header(0, name === 'Qormix.cab' ? 'application/octet-stream' : 'text/html'), page]));
    }
  }
}

// A 240 × 320 5-5-5 screen: a colour gradient with a bar that moves, every other band compressed.
function streamScreen(socket) {
  const width = 240; const height = 320; const stride = 480;
  socket.write(Buffer.concat([header(0), word(width), word(height), word(16)]));
  let frame = 0;
  const tick = () => {
    if (socket.destroyed) return;
    const first = frame === 0 ? 0 : (frame * 16) % height;
    const last = frame === 0 ? height - 1 : Math.min(height - 1, first + 15);
    const raw = Buffer.alloc((last - first + 1) * stride);
    for (let row = first; row <= last; row++) {
      for (let x = 0; x < width; x++) {
        const r = Math.floor((x * 31) / width); const g = Math.floor((row * 31) / height); const b = (frame * 3) & 31;
        raw.writeUInt16LE((r << 10) | (g << 5) | b, (row - first) * stride + x * 2);
      }
    }
    const packed = frame % 2 ? zlib.deflateSync(raw) : null;
    socket.write(Buffer.concat([word(first), word(last), word(packed ? packed.length : 0), packed ?? raw]));
    frame += 1;
    setTimeout(tick, 200);
  };
  tick();
}

net.createServer((socket) => {
  let buffer = Buffer.alloc(0);
  socket.on('error', () => {});
  socket.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    const end = buffer.indexOf('\r\n\r\n');
    if (end < 0 || socket.handled) return;
    const head = buffer.subarray(0, end).toString('utf8');
    const length = Number(/content-length:\s*(\d+)/i.exec(head)?.[1] ?? 0);
    const isControl = /command-id:\s*3015/i.test(head); if (isControl) console.log('control request', buffer.length - end - 4);
    if (!isControl && buffer.length - end - 4 < length) return;
    if (isControl) { socket.once('close', () => handle(socket, head, buffer.subarray(end + 4))); socket.handled = true; return; }
    socket.handled = true;
    handle(socket, head, buffer.subarray(end + 4, end + 4 + length));
  });
}).listen(port, '127.0.0.1', () => console.log(`fake server on 127.0.0.1:${port}`));
