#!/usr/bin/env python3
"""Zandorelle's benchmark: the real headless program against newton-sim, over a
pseudo-terminal and over TCP.  Prints one table, and writes the same figures as
JSON and a growth plot as SVG.  It measures; it asserts nothing."""

import argparse
import json
import os
import re
import select
import socket
import statistics
import subprocess
import tempfile
import time

LINE_BYTES_PER_S = 57600 / 10  # 8N1: ten bits a byte
MAX_INFO = 253                 # data bytes in one of our LT frames
FRAME_OVERHEAD = 10            # SYN DLE STX, LI, type, N(S), DLE ETX, CRC
ACK_BYTES = 11                 # the LA that answers each frame
MIB = 1 << 20
READING_TIMEOUT = 3600         # a paced backup of 20,000 cards and meetings takes 30 min


def ceiling(payload, window):
    """Bytes/s at 57600 bit/s for the frames a payload of this size takes (the
    EOT travels with it): with a window of one each frame waits for its LA;
    with a wider one the LAs travel the other way while the frames go."""
    total, wire = payload + 1, 0
    while total > 0:
        part = min(MAX_INFO, total)
        wire += part + FRAME_OVERHEAD + (ACK_BYTES if window == 1 else 0)
        total -= part
    return (payload + 1) / (wire / LINE_BYTES_PER_S)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Child:
    """A child process whose output is read as it comes, with deadlines."""

    def __init__(self, argv, stdin=False):
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.out, self.err = b"", b""

    def write(self, line):
        self.proc.stdin.write(line.encode() + b"\n")
        self.proc.stdin.flush()

    def _collect(self, timeout):
        streams = [s for s in (self.proc.stdout, self.proc.stderr) if not s.closed]
        ready, _, _ = select.select(streams, [], [], timeout)
        for stream in ready:
            chunk = os.read(stream.fileno(), 65536)
            if stream is self.proc.stdout:
                self.out += chunk
            else:
                self.err += chunk
            if not chunk:
                stream.close()

    def wait_for(self, text, where="out", timeout=600):
        deadline = time.monotonic() + timeout
        while text.encode() not in getattr(self, where):
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"no {text!r}; out={self.out[-300:]!r} err={self.err[-300:]!r}")
            self._collect(min(left, 0.5))

    def finish(self, timeout=60):
        """Waits for the end; the child's resource use from the system."""
        deadline = time.monotonic() + timeout
        while True:
            pid, status, usage = os.wait4(self.proc.pid, os.WNOHANG)
            if pid:
                self.proc.returncode = status
                break
            if time.monotonic() > deadline:
                self.proc.kill()
            self._collect(0.05)
        while not self.proc.stdout.closed or not self.proc.stderr.closed:
            self._collect(0.05)
        return usage

    def cpu_seconds(self):
        with open(f"/proc/{self.proc.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Bench:
    def __init__(self, build, work):
        self.build = build
        self.program = os.path.join(build, "src", "zandorelle")
        self.sim = os.path.join(build, "tools", "newton-sim", "newton-sim")
        self.work = work

    def session(self, line, sim_steps, paced, window=8, save=True, ready="ZD is now working."):
        """Starts newton-sim and the program connected to each other, both
        offering `window`, until the program logs `ready`; returns both."""
        sim = [self.sim, "--timeout", "600", "--window", str(window)]
        sim += ["--baud", "57600"] if paced else []
        ini = os.path.join(self.work, "zandorelle.INI")
        prefs = ["[Prefs Section]", f"SaveAsFile={1 if save else 0}", f"Dir={self.work}",
                 f"MnpWindow={window}"]
        if line == "pty":
            newton = Child(sim + ["--pty"] + sim_steps)
            newton.wait_for("pty: ")
            pty = re.search(rb"pty: (\S+)", newton.out).group(1).decode()
            prefs += ["port=0", f"Serial0={pty}"]
        else:
            port = free_port()
            prefs += ["port=-1", f"NetPort={port}"]
        with open(ini, "w") as f:
            f.write("\n".join(prefs) + "\n")
        program = Child([self.program, "--headless", "--ini", ini], stdin=True)
        program.write("listen")
        if line == "tcp":
            program.wait_for("Info: Listening", "err")
            newton = Child(sim + ["--tcp", str(port)] + sim_steps)
        program.wait_for(ready)
        return program, newton

    @staticmethod
    def end(program, newton):
        program.write("quit")
        usage = program.finish()
        newton.finish()
        return usage

    def payload(self, size):
        path = os.path.join(self.work, f"payload-{size}")
        letters = b"Newton MessagePad 2100, Zandorelle. "
        with open(path, "wb") as f:
            f.write((letters * (size // len(letters) + 1))[:size])
        return path

    def receive(self, line, size, paced, window):
        program, newton = self.session(line, ["--greet", "--push", "Item", self.payload(size),
                                              "--await-bye"], paced, window)
        program.wait_for("Text Saved")
        newton.wait_for("pushed", "err")
        usage = self.end(program, newton)
        ms = float(re.search(rb"text in ([\d.]+) ms", newton.err).group(1))
        return self.figures("receive", line, size, paced, window, ms, usage)

    def send(self, line, size, paced, window):
        program, newton = self.session(line, ["--greet", "--catch",
                                              os.path.join(self.work, "caught"), "--await-bye"],
                                       paced, window)
        program.write("send " + self.payload(size))
        newton.wait_for("caught", "err")
        program.wait_for("Info: Idle", "err")
        usage = self.end(program, newton)
        ms = float(re.search(rb"caught \d+ bytes in ([\d.]+) ms", newton.err).group(1))
        return self.figures("send", line, size, paced, window, ms, usage)

    @staticmethod
    def figures(direction, line, size, paced, window, ms, usage):
        rate = size / (ms / 1000) if ms > 0 else float("inf")
        return {
            "direction": direction, "line": line, "size": size, "paced": paced, "k": window,
            "seconds": ms / 1000, "bytes_per_s": rate,
            "line_ratio": rate / LINE_BYTES_PER_S, "ceiling_bytes_per_s": ceiling(size, window),
            "ceiling_ratio": rate / ceiling(size, window),
            "cpu_s_per_mib": (usage.ru_utime + usage.ru_stime) / (size / MIB),
            "peak_kib": usage.ru_maxrss,
        }

    def keyboard(self, size):
        """A text file typed through the Connection application's keyboard over
        a paced pseudo-terminal; newton-sim times it from the first character
        typed to the end of the keyboard."""
        program, newton = self.session("pty", ["--connection", os.path.join(self.work, "typed")],
                                       True, ready="The Newton's Connection is ready")
        program.write("type-file " + self.payload(size))
        program.wait_for("Typed ")
        newton.wait_for(" ms\n", "err")
        self.end(program, newton)
        m = re.search(rb"typed (\d+) characters in ([\d.]+) ms", newton.err)
        characters, seconds = int(m.group(1)), float(m.group(2)) / 1000
        # Each piece of 256 characters: a 16-byte header, UTF-16, a zero character, padding.
        wire = 0
        for at in range(0, characters, 256):
            data = 2 * min(256, characters - at) + 2
            wire += 16 + data + (4 - data % 4) % 4
        return {"characters": characters, "seconds": seconds,
                "characters_per_s": characters / seconds, "dock_bytes_per_s": wire / seconds,
                "line_ratio": wire / seconds / LINE_BYTES_PER_S}

    def notes(self, count, paced):
        """`count` notes of 500 bytes read through Connection into text files;
        newton-sim times the entries from the first to the end of the soup."""
        folder = os.path.join(self.work, f"notes-{count}")
        out = os.path.join(self.work, f"saved-{count}")
        os.makedirs(folder)
        os.makedirs(out)
        line = "Anteckning om mötet, Réunion à Paris, Grüße aus Köln. "
        for i in range(count):
            with open(os.path.join(folder, f"{i:05}.txt"), "w") as f:
                f.write((f"Note {i} " + line * 10)[:500])
        program, newton = self.session("pty", ["--notes", folder], paced,
                                       ready="The Newton's Connection is ready")
        program.write("notes " + out)
        program.wait_for(f"{count} notes saved in")
        usage = self.end(program, newton)
        m = re.search(rb"sent (\d+) entries of Internal, (\d+) bytes in ([\d.]+) ms", newton.err)
        entries, wire, seconds = int(m.group(1)), int(m.group(2)), float(m.group(3)) / 1000
        return {"entries": entries, "paced": paced, "seconds": seconds,
                "entries_per_s": entries / seconds, "dock_bytes_per_s": wire / seconds,
                "line_ratio": wire / seconds / LINE_BYTES_PER_S, "peak_kib": usage.ru_maxrss,
                "files": len(os.listdir(out))}

    def export(self, count, paced):
        """`count` cards and `count` meetings (with the sample Names, Dates and
        To Do) exported through Connection into vCard and iCalendar files;
        newton-sim times each soup's entries, summed here."""
        out = os.path.join(self.work, f"export-{count}-{paced}")
        os.makedirs(out)
        program, newton = self.session("pty", ["--data-many", str(count)], paced,
                                       ready="The Newton's Connection is ready")
        program.write("export " + out)
        program.wait_for("Saved the Newton's data in", timeout=READING_TIMEOUT)
        return self.soup_figures(program, newton, paced)

    def backup(self, count, paced):
        """A whole backup of a Newton holding `count` cards and `count`
        meetings besides the samples; newton-sim times each soup."""
        out = os.path.join(self.work, f"backup-{count}-{paced}.newtonbackup")
        program, newton = self.session("pty", ["--data-many", str(count), "--more-soups"], paced,
                                       ready="The Newton's Connection is ready")
        program.write("backup " + out)
        program.wait_for("Backed up ", timeout=READING_TIMEOUT)
        figures = self.soup_figures(program, newton, paced)
        figures["file_bytes"] = os.path.getsize(out)
        return figures

    def soup_figures(self, program, newton, paced):
        """Ends a reading of soups; the figures newton-sim timed, soup by soup."""
        usage = self.end(program, newton)
        soups = re.findall(rb"sent (\d+) entries of \S+, (\d+) bytes in ([\d.]+) ms", newton.err)
        entries = sum(int(s[0]) for s in soups)
        wire = sum(int(s[1]) for s in soups)
        seconds = sum(float(s[2]) for s in soups) / 1000
        return {"entries": entries, "paced": paced, "seconds": seconds,
                "entries_per_s": entries / seconds, "dock_bytes_per_s": wire / seconds,
                "line_ratio": wire / seconds / LINE_BYTES_PER_S, "peak_kib": usage.ru_maxrss,
                "wire_bytes": wire}

    def key_latency(self):
        out = subprocess.run([os.path.join(self.build, "bench", "key-latency"), self.sim],
                             capture_output=True, text=True, check=True).stdout
        m = re.search(r"over (\d+) keys: median ([\d.]+) ms, worst ([\d.]+) ms", out)
        return {"keys": int(m.group(1)), "median_ms": float(m.group(2)),
                "worst_ms": float(m.group(3))}

    def pty_floor(self):
        """The kernel's own bound on a stop-and-wait transfer over a pty here."""
        out = subprocess.run([os.path.join(self.build, "bench", "pty-round-trip")],
                             capture_output=True, text=True, check=True).stdout
        m = re.search(r"round trip ([\d.]+) us, (\d+) bytes/s, ([\d.]+) CPU s/MiB", out)
        return {"round_trip_us": float(m.group(1)), "bytes_per_s": int(m.group(2)),
                "cpu_s_per_mib": float(m.group(3))}

    def latency(self, items):
        tiny = self.payload(100)
        steps = ["--greet"]
        for i in range(items):
            steps += ["--push", f"L{i}", tiny]
        program, newton = self.session("pty", steps + ["--await-bye"], False, save=False)
        newton.wait_for(f"pushed 100 bytes", "err")
        while newton.err.count(b"pushed") < items:
            newton._collect(1)
        self.end(program, newton)
        waits = [float(m) for m in re.findall(rb"#OK after ([\d.]+) ms", newton.err)]
        return {"items": len(waits), "median_ms": statistics.median(waits), "worst_ms": max(waits)}

    def idle(self, seconds):
        connected, newton = self.session("pty", ["--greet", "--await-bye"], False)
        listening = Child([self.program, "--headless", "--ini",
                           self.listening_ini()], stdin=True)
        listening.write("listen")
        listening.wait_for("Info: Listening", "err")
        before = connected.cpu_seconds(), listening.cpu_seconds()
        time.sleep(seconds)
        after = connected.cpu_seconds(), listening.cpu_seconds()
        self.end(connected, newton)
        listening.write("quit")
        listening.finish()
        return {"seconds": seconds,
                "connected_percent": 100 * (after[0] - before[0]) / seconds,
                "listening_percent": 100 * (after[1] - before[1]) / seconds}

    def listening_ini(self):
        path = os.path.join(self.work, "listening.INI")
        with open(path, "w") as f:
            f.write(f"[Prefs Section]\nport=-1\nNetPort={free_port()}\n")
        return path


def size_text(size):
    for unit, factor in (("MiB", MIB), ("KiB", 1024)):
        if size >= factor and size % factor == 0:
            return f"{size // factor} {unit}"
    return f"{size} B"


def reading_text(runs, what):
    """A table of readings through Connection, `what` naming what was read."""
    lines = [f"| {what} | line | seconds | {what.split()[0]}/s | Dock B/s | of 5760 B/s | peak MiB |",
             "|---|---|---|---|---|---|---|"]
    for r in runs:
        ratio = f"{r['line_ratio']:.1%}" if r["paced"] else "-"
        lines.append(f"| {r['entries']} | {'57600' if r['paced'] else 'pty, no pacing'} | "
                     f"{r['seconds']:.1f} | {r['entries_per_s']:,.0f} | "
                     f"{r['dock_bytes_per_s']:,.0f} | {ratio} | {r['peak_kib'] / 1024:.1f} |")
    return "\n".join(lines)


def keyboard_text(paste, keys):
    return (f"Typing through Connection: {size_text(paste['characters'])} at 57600 bit/s in "
            f"{paste['seconds']:.1f} s, {paste['characters_per_s']:,.0f} characters/s, "
            f"{paste['dock_bytes_per_s']:,.0f} B/s of Dock messages, {paste['line_ratio']:.1%} "
            f"of the raw line.\nKey to wire in \"Type on the Newton\" over {keys['keys']} keys: "
            f"median {keys['median_ms']:.3f} ms, worst {keys['worst_ms']:.3f} ms.")


def table(rows, floor, latency, idle):
    lines = ["| direction | line | paced | k | size | bytes/s | of 5760 B/s | ceiling B/s "
             "| of ceiling | CPU s/MiB | peak MiB |", "|---|---|---|---|---|---|---|---|---|---|---|"]
    for r in rows:
        # The line's figures mean something only on a paced line.
        line_ratio = f"{r['line_ratio']:.1%}" if r["paced"] else "-"
        ceiling_ratio = f"{r['ceiling_ratio']:.1%}" if r["paced"] else "-"
        lines.append(f"| {r['direction']} | {r['line']} | {'57600' if r['paced'] else 'no'} | "
                     f"{r['k']} | {size_text(r['size'])} | {r['bytes_per_s']:,.0f} | {line_ratio} | "
                     f"{r['ceiling_bytes_per_s']:,.0f} | {ceiling_ratio} | "
                     f"{r['cpu_s_per_mib']:.3f} | {r['peak_kib'] / 1024:.1f} |")
    lines.append("")
    lines.append(f"A bare pseudo-terminal, two processes passing a 263-byte frame and an 11-byte "
                 f"answer: {floor['round_trip_us']:.1f} us a round trip, so at most "
                 f"{floor['bytes_per_s']:,} B/s at {floor['cpu_s_per_mib']:.3f} CPU s/MiB for "
                 "one-frame windows; unthrottled pty runs reach "
                 + ", ".join(f"{r['direction']} {size_text(r['size'])} "
                             f"{r['bytes_per_s'] / floor['bytes_per_s']:.0%}"
                             for r in rows if r["line"] == "pty" and not r["paced"]
                             and r["k"] == 1 and r["size"] >= 100 * 1024) + " of it at k=1.")
    lines.append(f"Latency from \"#GET\" to \"#OK\" over {latency['items']} items: median "
                 f"{latency['median_ms']:.1f} ms, worst {latency['worst_ms']:.1f} ms "
                 f"(the 100 ms tick reads commands).")
    lines.append(f"Idle over {idle['seconds']} s: connected {idle['connected_percent']:.2f} %, "
                 f"listening {idle['listening_percent']:.2f} % of one core.")
    return "\n".join(lines)


def growth_svg(points):
    """Time and peak memory against item size, both axes logarithmic."""
    import math
    width, height, pad = 640, 300, 50
    xs = [math.log2(p["size"]) for p in points]
    series = [("seconds", "time (s)", "#2e9e5b"), ("peak_mib", "peak memory (MiB)", "#d0433b")]
    svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width * 2}" height="{height}" '
           f'font-family="sans-serif" font-size="12">']
    for panel, (key, label, colour) in enumerate(series):
        ys = [math.log2(max(p[key], 1e-4)) for p in points]
        x0, y0 = panel * width + pad, height - pad
        sx = (width - 2 * pad) / (max(xs) - min(xs))
        sy = (height - 2 * pad) / ((max(ys) - min(ys)) or 1)
        pts = " ".join(f"{x0 + (x - min(xs)) * sx:.1f},{y0 - (y - min(ys)) * sy:.1f}"
                       for x, y in zip(xs, ys))
        svg.append(f'<rect x="{x0}" y="{pad}" width="{width - 2 * pad}" height="{height - 2 * pad}"'
                   ' fill="none" stroke="#8a96a3"/>')
        svg.append(f'<polyline points="{pts}" fill="none" stroke="{colour}" stroke-width="2"/>')
        for x, y, p in zip(xs, ys, points):
            svg.append(f'<circle cx="{x0 + (x - min(xs)) * sx:.1f}" '
                       f'cy="{y0 - (y - min(ys)) * sy:.1f}" r="3" fill="{colour}"/>')
        svg.append(f'<text x="{x0}" y="{pad - 10}">{label}, against item size '
                   f'{size_text(points[0]["size"])} to {size_text(points[-1]["size"])} '
                   '(log-log)</text>')
        svg.append(f'<text x="{x0}" y="{height - 15}">{max(points, key=lambda p: p[key])[key]:.3g}'
                   f' at most</text>')
    svg.append("</svg>")
    return "\n".join(svg)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", default="build")
    parser.add_argument("--json", default="build/bench.json")
    parser.add_argument("--svg", default="build/bench-growth.svg")
    parser.add_argument("--idle-seconds", type=int, default=30)
    parser.add_argument("--full", action="store_true",
                        help="also the paced 1 MiB runs (about four minutes each)")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as work:
        bench = Bench(args.build, work)
        rows = []
        for direction in ("receive", "send"):
            run = getattr(bench, direction)
            for line in ("pty", "tcp"):
                for size in (100, 9000, 100 * 1024, MIB):
                    for window in (1, 8):
                        rows.append(run(line, size, False, window))
            for size in (9000, 100 * 1024) + ((MIB,) if args.full else ()):
                for window in (1, 8):
                    rows.append(run("pty", size, True, window))
        notes = [bench.notes(count, False) for count in (250, 1000, 4000)]
        notes.append(bench.notes(1000, True))
        exports = [bench.export(count, False) for count in (500, 2000, 8000)]
        exports.append(bench.export(2000, True))
        # 20,000 cards and meetings are about 8 MiB of entries.
        backups = [bench.backup(count, False) for count in (2000, 8000, 20000)]
        backups.append(bench.backup(20000, True))
        paste = bench.keyboard(100 * 1024)
        keys = bench.key_latency()
        floor = bench.pty_floor()
        latency = bench.latency(100)
        idle = bench.idle(args.idle_seconds)
        growth = []
        size = 1024
        while size <= 16 * MIB:
            r = bench.receive("pty", size, False, 8)
            growth.append({"size": size, "seconds": r["seconds"], "peak_mib": r["peak_kib"] / 1024})
            size *= 2

    print(table(rows, floor, latency, idle))
    print(keyboard_text(paste, keys))
    print("\nThe Newton's notes read through Connection:")
    print(reading_text(notes, "notes of 500 B"))
    print("\nThe Newton's Names, Dates and To Do exported through Connection"
          " (N cards and N meetings, and the samples):")
    print(reading_text(exports, "entries"))
    print("\nA whole backup through Connection (N cards and N meetings, the samples, a package):")
    print(reading_text(backups, "entries"))
    print("\nGrowth (receive over a pseudo-terminal, unthrottled):")
    for g in growth:
        print(f"  {size_text(g['size']):>8}: {g['seconds']:8.3f} s, peak {g['peak_mib']:6.1f} MiB")
    with open(args.json, "w") as f:
        json.dump({"runs": rows, "pty_floor": floor, "latency": latency, "idle": idle,
                   "growth": growth, "keyboard_paste": paste, "key_latency": keys,
                   "notes": notes, "export": exports, "backup": backups}, f, indent=1)
    with open(args.svg, "w") as f:
        f.write(growth_svg(growth))
    print(f"\nFigures in {args.json}, plot in {args.svg}")


if __name__ == "__main__":
    main()
