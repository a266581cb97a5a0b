#!/usr/bin/env python3
"""Differential check of kavro-convert against bench/convert.awk.

Builds small traces from the lines of real ns-2 traces, bent the ways a
hand-edited or damaged trace can be (capitals, missing dashes or underscores,
lost or repeated new-format tags, other packet types under an id, cut lines,
stray bytes, repeated and out-of-order lines, CR LF, lone CR and LF CR line
ends, no final line end), converts each with both programs and
compares the bytes. A trace on which they differ is kept for inspection.

    bench/crosscheck.py BUILD_DIR [CASES] [TRACE ...]

The lines come from the given traces, by default those in tests/data.

NUL bytes are left out: mawk's tolower stops at them (see convert.awk).
"""
import os
import shutil
import random
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")
DEFAULT_TRACES = sorted(
    os.path.join(DATA, f) for f in (os.listdir(DATA) if os.path.isdir(DATA) else []) if f.endswith(".tr")
)


def find_kavro(build):
    path = os.path.join(build, "bin", "kavro-convert")
    if not os.access(path, os.X_OK):
        sys.exit(f"crosscheck: no {path}")
    return path


def bend(line, rng):
    """One random change to a trace line."""
    kind = rng.randrange(16)
    if kind == 0:
        return line.upper()
    if kind == 1:
        return line.replace(b"---", b"", 1)
    if kind == 2:
        return line.replace(b"_", b"", 1)
    if kind == 3:
        return line[: rng.randrange(len(line) + 1)]
    if kind == 4:
        return line.replace(b" ", b"", rng.randrange(1, 4))
    if kind == 5:
        return line.replace(b"AGT", b"aGt").replace(b"RTR", b"Rtr")
    if kind == 6:
        at = rng.randrange(len(line) + 1)
        return line[:at] + bytes([rng.choice(b"_- \r\xff")]) + line[at:]
    if kind == 7:
        return line.replace(b"_", b"__", 1)
    if kind == 8:
        return line[:1].swapcase() + line[1:]
    if kind == 9:
        space = line.find(b" ", 2)
        return line[:2] + b"1234.567891234" + line[space:] if space > 0 else line
    if kind == 10:  # another packet type under the same id
        return line.replace(b" cbr ", b" AODV ", 1).replace(b" tcp ", b" ack ", 1)
    if kind == 11:  # new format: a tag lost, or its case changed
        tag = rng.choice([b" -Ni ", b" -Nl ", b" -Ii ", b" -It ", b" -t "])
        at = line.find(tag)
        if at < 0:
            return line
        if rng.random() < 0.5:
            return line[:at] + tag.upper() + line[at + len(tag) :]
        end = line.find(b" ", at + len(tag))
        return line[:at] + (line[end:] if end > 0 else b"")
    if kind == 12:  # new format: a tag repeated later with another value
        return line + rng.choice([b" -Ni 99", b" -Ii 0 ", b" -It cbr", b" -Nl AGT"])
    return line


def make_case(rng, relevant, others):
    start = rng.randrange(max(1, len(relevant) - 300))
    picked = relevant[start : start + rng.randrange(5, 300)]
    lines = []
    for line in picked:
        lines.append(bend(line, rng) if rng.random() < 0.3 else line)
        if rng.random() < 0.2:
            lines.append(rng.choice(others))
        if rng.random() < 0.05:
            lines.append(rng.choice(picked))  # a repeated send, receive or forward
    if rng.random() < 0.5:
        # As if the router had not traced: the paths are in the MAC lines.
        lines = [line for line in lines if b"RTR" not in line.upper()]
    if rng.random() < 0.2:
        rng.shuffle(lines)
    mixed = rng.random() < 0.5
    ends = [b"\n", b"\r\n", b"\r", b"\n\r"]
    data = b"".join(line + (rng.choice(ends) if mixed else b"\n") for line in lines)
    if rng.random() < 0.3:
        data = data.rstrip(b"\r\n")
    return data


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    kavro = find_kavro(sys.argv[1])
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    traces = sys.argv[3:] or DEFAULT_TRACES
    if not traces:
        sys.exit("crosscheck: no traces given")

    relevant, others = [], []
    for path in traces:
        with open(path, "rb") as f:
            for line in f.read().split(b"\n"):
                if b" AGT " in line or (line.startswith(b"f") and b" RTR " in line) or (
                    line.startswith(b"r") and b" MAC " in line
                ):
                    relevant.append(line)
                elif line:
                    others.append(line)
    others = others[:20000]

    env = dict(os.environ, LC_ALL="C")
    work = tempfile.mkdtemp(prefix="kavro-crosscheck.")
    trace, out = os.path.join(work, "case.tr"), os.path.join(work, "kavro.out")
    failed = 0
    for case in range(cases):
        with open(trace, "wb") as f:
            f.write(make_case(random.Random(case), relevant, others))
        # Cases may lack routing lines; the warning says nothing here. A
        # case without agent lines fails, and has no event lines to give.
        if os.path.exists(out):
            os.remove(out)
        ran = subprocess.run([kavro, "-q", "-o", out, trace], stderr=subprocess.DEVNULL)
        if ran.returncode not in (0, 1):
            sys.exit(f"crosscheck: kavro-convert ended with {ran.returncode} on case {case}")
        want = subprocess.run(
            ["awk", "-f", os.path.join(HERE, "convert.awk"), trace],
            capture_output=True, env=env, check=True,
        ).stdout
        got = b""
        if ran.returncode == 0:
            with open(out, "rb") as f:
                got = f.read()
        if got != want:
            failed += 1
            kept = os.path.join(work, f"differs-{case}.tr")
            os.rename(trace, kept)
            print(f"case {case}: outputs differ, trace kept in {kept}")
    if failed:
        print(f"{failed} of {cases} cases differ")
        sys.exit(1)
    shutil.rmtree(work)
    print(f"{cases} cases, outputs identical")


if __name__ == "__main__":
    main()
