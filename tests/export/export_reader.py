#!/usr/bin/env python3
"""export_reader.py FOLDER OUTPUT: reads every exported file below FOLDER as a sequencer would and writes one
JSON line per file: {"file", "title", "sections": [{"bank", "label", "names": {program: name}}]}. Written from
the file formats alone; it shares nothing with the program that writes them."""
import configparser, json, os, re, struct, sys


def section(bank, label, names):
    return {"bank": bank, "label": label, "names": {str(p): n for p, n in names.items()}}


def read_dev(data):
    if data[:4] != b"DEV " or struct.unpack(">I", data[4:8])[0] != len(data) or data[0x44:0x4D] != b"Morvathel":
        raise ValueError("not a module device file")
    one = len(data) == 3536
    if len({data[at:at + 8] for at in (0x16, 0x20, 0x1EA)}) != 1:
        raise ValueError("file labels differ")
    sections = []
    for k in range(1 if one else 12):
        entry, start = 0x3B3 + k * 0x1C, 0x3D0 if one else 0x504 + k * 2560
        names = [data[start + p * 20:start + p * 20 + 20].decode("latin-1").rstrip(" ") for p in range(128)]
        label = data[entry + 1:entry + 9].decode("latin-1").rstrip("\0 ")
        sections.append(section(data[entry + 16], label, {p: n for p, n in enumerate(names) if n.strip("\0")}))
    return data[0x0E:0x16].decode("latin-1").rstrip(" "), sections


def lines_of(data):
    text = data.decode("latin-1")
    lines = text.split("\r\n")
    if lines.pop() != "" and text or any("\r" in line or "\n" in line for line in lines):
        raise ValueError("a line not ended by CR LF")
    return lines


def numbered(lines, pattern=r"(\d+)=(.*)"):
    return {int(m[1]): m[2] for m in map(lambda line: re.fullmatch(pattern, line), lines) if m}


def blocks(lines):
    """[header] -> its lines up to an empty line, a comment or the next header."""
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
    instrument = next(h for h in found if any(line.startswith("BankSelMethod=") for line in found[h]))
    patches = numbered(found[instrument], r"Patch\[(\d+)\]=(.*)")
    if "Drum[*,*]=1" in found[instrument]:
        return instrument, [section(128, patches[0], numbered(found[patches[0]]))]
    return instrument, [section(b, label, numbered(found[label])) for b, label in sorted(patches.items())]


def read_pls(lines, drums):
    if lines.pop(0) != "patc":
        raise ValueError("no patc line")
    sections, title, bank = [], "", 0
    while lines:
        head = lines.pop(0)
        if head != "*":
            label = head[1:] if head.startswith("*") else head
            title = title if head.startswith("*") else lines.pop(0)
            sections.append(section(128 if drums else bank, label, {p: n for p, n in enumerate(lines[:128]) if n != "-"}))
            del lines[:128]
        bank += 1
    return title, sections


def read_ini(data):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read_string(data.decode("latin-1"))
    device = parser["DEVICE"]
    if device["0"] != "NONE":
        raise ValueError("program 0 is not NONE")
    names = {p - 1: device[str(p)] for p in range(1, 129) if device[str(p)] != "-"}
    return "", [section(int(device["ABBREVIATION"][2:]), device["TITLE"].split(") ", 1)[1], names)]


def read_mxp(lines):
    banks = {}
    for bank, program, name in (line.split(",", 2) for line in lines):
        banks.setdefault(int(bank), {})[int(program)] = name
    return "", [section(bank, "", names) for bank, names in sorted(banks.items())]


def read_mapping_text(lines):
    labels = dict(line.split(":", 1) for line in blocks(lines).get("Bank names", []))
    banks = {}
    for line in filter(lambda line: re.fullmatch(r"(\d{3}: ){4}.*", line), lines):
        banks.setdefault(int(line[10:13]), {})[int(line[15:18])] = line[20:]
    return lines[1], [section(b, labels.get("%03d" % b, ""), n) for b, n in sorted(banks.items())]


def read(path):
    data, name = open(path, "rb").read(), os.path.basename(path).lower()
    if name.endswith(".dev"):
        return read_dev(data)
    lines = lines_of(data)
    if name.endswith(".set"):
        found = blocks(lines)
        return "", [section(128 if name.endswith("_drums.set") else int(h) // 128, "", numbered(found[h])) for h in found]
    readers = {".ins": read_ins, ".pls": lambda l: read_pls(l, name == "drums.pls"), ".ini": lambda l: read_ini(data),
               ".mxp": read_mxp}
    return readers.get(os.path.splitext(name)[1], read_mapping_text)(lines)


with open(sys.argv[2], "w", encoding="ascii", newline="\n") as out:
    for folder, _, files in sorted(os.walk(sys.argv[1])):
        for path in sorted(os.path.join(folder, name) for name in files):
            title, sections = read(path)
            record = {"file": os.path.relpath(path, sys.argv[1]).replace(os.sep, "\\"), "title": title, "sections": sections}
            out.write(json.dumps(record, sort_keys=True, separators=(",", ":")) + "\n")
