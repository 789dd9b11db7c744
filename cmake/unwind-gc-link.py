#!/usr/bin/env python3
"""Links a shipped Windows program in two steps, so that unwind tables keep no dead code.

GNU ld's default PE script keeps every .pdata section (KEEP(*(.pdata*))), and each one
refers to its function: once an object is in the link, all its functions stay, whatever
--gc-sections finds unused. This launcher (CMake's linker launcher: it is given the
whole link command) first links a probe with that one KEEP dropped and asks ld which
sections its collection removes; then it links the program with the default script and
those sections, with their unwind entries (.pdata and .xdata of the same suffix),
discarded. What the probe removes nothing reaches: ld's own marking decided it, from the
same inputs. The unwind entries of the code that stays are all kept.

usage: unwind-gc-link.py COMPILER ARGS...   (the link command, with -o OUTPUT in it)
"""
import collections
import os
import re
import subprocess
import sys


def fail(message):
    sys.exit("unwind-gc-link: " + message)


def default_script(compiler):
    ld = subprocess.run([compiler, "-print-prog-name=ld"], capture_output=True, text=True, check=True).stdout.strip()
    text = subprocess.run([ld, "--verbose"], capture_output=True, text=True, check=True).stdout
    parts = text.split("=" * 50)
    if len(parts) < 3:
        fail(ld + " --verbose printed no default linker script")
    return parts[1].strip("=\n") + "\n"


def kept_sections(map_file):
    """{(input file, section)} of what the probe's map places in the program."""
    kept = set()
    pending = None
    with open(map_file, errors="replace") as f:
        lines = f.read().split("\n")
    start = next((i for i, line in enumerate(lines) if line.startswith("Linker script and memory map")), len(lines))
    for line in lines[start:]:
        # " .text$name 0xADDRESS 0xSIZE file", or the name alone with the rest on the next line.
        m = re.match(r"^ (\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s+(\S.*)$", line)
        if m:
            kept.add((m.group(2).strip(), m.group(1)))
            pending = None
            continue
        m = re.match(r"^ (\.\S+)$", line)
        if m:
            pending = m.group(1)
            continue
        m = re.match(r"^\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s+(\S.*)$", line)
        if m and pending:
            kept.add((m.group(1).strip(), pending))
        pending = None
    return kept


def removed_sections(log, kept):
    """{input file pattern: [section...]} of what the probe's collection removed."""
    removed = collections.defaultdict(list)
    for line in log.splitlines():
        m = re.search(r"removing unused section '([^']+)' in file '([^']+)'", line)
        if not m:
            continue
        section, source = m.groups()
        section = re.sub(r"\[.*\]$", "", section)
        # Unwind entries go with their functions below; debugging sections do not matter.
        if section.startswith((".debug", ".pdata", ".xdata")):
            continue
        # A script names sections by file and name: one of two alike in a file is kept.
        if (source, section) in kept:
            continue
        member = re.match(r"^(.*)\((.*)\)$", source)
        pattern = "*%s:%s" % (os.path.basename(member.group(1)), member.group(2)) if member else "*" + os.path.basename(source)
        if any(c in pattern[1:] + section for c in "*?[] ()"):
            continue  # not writable as a script pattern: it stays, as in a plain link
        removed[pattern].append(section)
        if section.startswith(".text"):
            suffix = section[len(".text"):]
            removed[pattern] += [".pdata" + suffix, ".xdata" + suffix]
    return removed


def main(argv):
    if len(argv) < 2 or "-o" not in argv:
        fail("expected a link command with -o OUTPUT")
    command = argv[1:]
    at = command.index("-o")
    output = command[at + 1]
    work = output + ".unwind-gc"
    os.makedirs(work, exist_ok=True)

    script = default_script(command[0])
    keep = "KEEP(*(.pdata*))"
    if keep not in script:
        fail("the default linker script has no " + keep + "; the two-step link does not apply")
    with open(os.path.join(work, "probe.ld"), "w") as f:
        f.write(script.replace(keep, "*(.pdata*)", 1))

    probe = command[:at + 1] + [os.path.join(work, "probe.exe")] + command[at + 2:]
    probe_map = os.path.join(work, "probe.map")
    probe += ["-Wl,-T," + os.path.join(work, "probe.ld"), "-Wl,-Map," + probe_map, "-Wl,--print-gc-sections",
              "-Wl,--noinhibit-exec"]
    run = subprocess.run(probe, capture_output=True, text=True)
    if not os.path.exists(probe_map):
        sys.stderr.write(run.stderr)
        fail("the probe link wrote no map (exit %d)" % run.returncode)
    removed = removed_sections(run.stderr, kept_sections(probe_map))
    if not removed:
        sys.stderr.write(run.stderr)
        fail("the probe link removed nothing (exit %d)" % run.returncode)

    lines = ["  /DISCARD/ :", "  {"]
    for pattern, sections in removed.items():
        for i in range(0, len(sections), 20):
            lines.append("    %s(%s)" % (pattern, " ".join(sections[i:i + 20])))
    lines.append("  }")
    head = "SECTIONS\n{\n"
    if head not in script:
        fail("the default linker script has no SECTIONS block")
    final = os.path.join(work, "final.ld")
    with open(final, "w") as f:
        f.write(script.replace(head, head + "\n".join(lines) + "\n", 1))
    return subprocess.run(command + ["-Wl,-T," + final]).returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv))
