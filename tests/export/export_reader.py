#!/usr/bin/env python3
"""Reads every file an export wrote below a folder, as a sequencer would, and prints one JSON line per file:
{"file": path below the folder, "title": the instrument's or mapping's name, "sections": one per bank, each
{"bank": number, "label": text, "names": {program: preset name}}}. Written from the file formats alone;
it shares nothing with the program that writes them.

Usage: export_reader.py FOLDER OUTPUT.json
"""
import configparser
import json
import os
import re
import struct
import sys


def text(data):
    return data.decode("latin-1")


def section(bank, label, names):
    return {"bank": bank, "label": label, "names": {str(p): n for p, n in names.items()}}


def read_dev(data):
    magic, length = data[:4], struct.unpack(">I", data[4:8])[0]
    if magic != b"DEV " or length != len(data) or data[0x44:0x4D] != b"Morvathel":
        raise ValueError("not a module device file")
    one_bank = len(data) == 3536
    sections = []
    for k in range(1 if one_bank else 12):
        entry = 0x3B3 + k * 0x1C
        start = 0x3D0 if one_bank else 0x504 + k * 2560
        names = {}
        for p in range(128):
            name = text(data[start + p * 20:start + p * 20 + 20]).rstrip(" ")
            if name.strip("\0"):
                names[p] = name
        sections.append(section(data[entry + 16], text(data[entry + 1:entry + 9]).rstrip("\0 "), names))
    labels = {text(data[at:at + 8]).rstrip("\0") for at in (0x16, 0x20, 0x1EA)}
    if len(labels) != 1:
        raise ValueError("file labels differ: %r" % labels)
    return text(data[0x0E:0x16]).rstrip(" "), sections


def lines_of(data):
    body = text(data)
    if body and not body.endswith("\r\n"):
        raise ValueError("last line without CR LF")
    lines = body.split("\r\n")[:-1]
    if any("\r" in line or "\n" in line for line in lines):
        raise ValueError("a lone CR or LF")
    return lines


def numbered(lines, pattern=r"(\d+)=(.*)"):
    return {int(m.group(1)): m.group(2) for m in (re.fullmatch(pattern, line) for line in lines) if m}


def blocks(lines):
    """[header] blocks: {header: lines up to the next header or empty line}."""
    found, current = {}, None
    for line in lines:
        if line.startswith("[") and line.endswith("]"):
            current = found.setdefault(line[1:-1], [])
        elif not line or line.startswith(";"):
            current = None
        elif current is not None:
            current.append(line)
    return found


def read_ins(lines):
    found = blocks(lines)
    instrument = [h for h in found if any(line.startswith("BankSelMethod=") for line in found[h])][0]
    patches = numbered(found[instrument], r"Patch\[(\d+)\]=(.*)")
    if "Drum[*,*]=1" in found[instrument]:
        label = patches[0]
        return instrument, [section(128, label, numbered(found[label]))]
    return instrument, [section(bank, label, numbered(found[label])) for bank, label in sorted(patches.items())]


def read_pls(lines, drums):
    if lines[0] != "patc":
        raise ValueError("no patc line")
    rest, sections, title, bank = lines[1:], [], "", 0
    while rest:
        head = rest.pop(0)
        if head == "*":
            bank += 1
            continue
        if head.startswith("*"):
            label = head[1:]
        else:
            label, title = head, rest.pop(0)
        names = {p: n for p, n in enumerate(rest[:128]) if n != "-"}
        del rest[:128]
        sections.append(section(128 if drums else bank, label, names))
        bank += 1
    return title, sections


def read_set(lines, drums):
    found = blocks(lines)
    return "", [section(128 if drums else int(h) // 128, "", numbered(found[h])) for h in found]


def read_ini(data):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read_string(text(data))
    device = parser["DEVICE"]
    bank = int(device["ABBREVIATION"][2:])
    label = device["TITLE"].split(") ", 1)[1]
    if device["0"] != "NONE":
        raise ValueError("program 0 is not NONE")
    names = {p - 1: device[str(p)] for p in range(1, 129) if device[str(p)] != "-"}
    return "", [section(bank, label, names)]


def read_mxp(lines):
    banks = {}
    for line in lines:
        bank, program, name = line.split(",", 2)
        banks.setdefault(int(bank), {})[int(program)] = name
    return "", [section(bank, "", names) for bank, names in sorted(banks.items())]


def read_mapping_text(lines):
    labels = dict(line.split(":", 1) for line in blocks(lines).get("Bank names", []))
    banks = {}
    for line in lines:
        if re.fullmatch(r"\d{3}: \d{3}: \d{3}: \d{3}: .*", line):
            banks.setdefault(int(line[10:13]), {})[int(line[15:18])] = line[20:]
    return lines[1], [section(b, labels.get("%03d" % b, ""), n) for b, n in sorted(banks.items())]


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    name = os.path.basename(path).lower()
    if name.endswith(".dev"):
        return read_dev(data)
    if name.endswith(".ini"):
        lines_of(data)
        return read_ini(data)
    lines = lines_of(data)
    if name.endswith(".ins"):
        return read_ins(lines)
    if name.endswith(".pls"):
        return read_pls(lines, name == "drums.pls")
    if name.endswith(".set"):
        return read_set(lines, name.endswith("_drums.set"))
    if name.endswith(".mxp"):
        return read_mxp(lines)
    return read_mapping_text(lines)


def main():
    root, output = sys.argv[1], sys.argv[2]
    with open(output, "w", encoding="ascii", newline="\n") as out:
        for folder, _, files in sorted(os.walk(root)):
            for name in sorted(files):
                path = os.path.join(folder, name)
                title, sections = read(path)
                record = {"file": os.path.relpath(path, root).replace(os.sep, "\\"), "title": title,
                          "sections": sections}
                out.write(json.dumps(record, sort_keys=True, separators=(",", ":")) + "\n")


if __name__ == "__main__":
    main()
