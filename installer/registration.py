#!/usr/bin/env python3
"""The package's registry entries, from what regsvr32 writes to what Windows Installer writes.

Works on copies of a Wine prefix's registry files (system.reg for HKLM, user.reg for
HKCU) saved before and after something ran in it, which is the whole registry as Wine
keeps it, both views included, without running anything under Wine to read it.

  harvest   what a DLL's registration wrote, as entries of the view the DLL runs in
  derive32  the 32-bit DLL's entries made from the 64-bit harvest
  same      fails unless two harvests hold the same entries
  wxi       a harvest as RegistryValue elements of the DLL's component
  check     compares what an installation changed with what the harvests expect
  unchanged fails unless nothing but Wine's own housekeeping changed

A harvest (JSON) stores each value with the DLL's paths replaced by the tokens below, so
that it can be written for any installation folder and for either DLL.
"""
import argparse
import json
import re
import sys
import uuid
from pathlib import PurePosixPath

DLL, DLL_SHORT, DIR = "<dll>", "<dll-short>", "<dir>"
KEY_ONLY = "KEY"  # a key created without values (a category marker, say)

# Wine rewrites these on every start (device enumeration, fonts, its own settings); no
# registration writes there.
HOUSEKEEPING = {
    "HKLM": ["System\\CurrentControlSet", "Software\\Wine", "Hardware"],
    "HKCU": ["Software\\Wine"],
}
# Windows Installer's record of the installed product, which it makes and removes itself
# and which is not part of the package's Registry table.
INSTALLER_RECORDS = {
    "HKLM": ["Software\\Classes\\Installer",
             "Software\\Microsoft\\Windows\\CurrentVersion\\Installer",
             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"],
    "HKCU": ["Software\\Microsoft\\Installer"],
}
# Keys that 32-bit and 64-bit programs see alike (Windows 7 and later, and Wine): a type
# library's registration keeps one folder per system kind (win32, win64) in one key.
SHARED_KEYS = ["Software\\Classes\\TypeLib"]


def under(key, prefixes):
    k = key.lower()
    return any(k == p.lower() or k.startswith(p.lower() + "\\") for p in prefixes)


# ----------------------------------------------------------------------- reading .reg files

def unescape(text):
    out, i = [], 0
    simple = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t", "0": "\0", "a": "\a", "b": "\b",
              "v": "\v", "f": "\f", "e": "\x1b", "]": "]", "[": "["}
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = text[i + 1] if i + 1 < len(text) else ""
        if n == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
        elif n in simple:
            out.append(simple[n])
            i += 2
        else:
            raise ValueError(f"unknown escape \\{n} in {text!r}")
    return "".join(out)


def split_quoted(line):
    """'"name"=rest' -> (name, rest); '@=rest' -> (None, rest)."""
    if line.startswith("@="):
        return None, line[2:]
    m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
    if not m:
        raise ValueError(f"unreadable value line {line!r}")
    return unescape(m.group(1)), m.group(2)


def hex_bytes(text):
    return bytes(int(b, 16) for b in text.replace(",", " ").split())


def utf16_text(data):
    return data.decode("utf-16-le")


def parse_data(raw):
    """A value's type and data, as Wine saves them."""
    if raw.startswith('"'):
        return "REG_SZ", unescape(raw[1:-1])
    m = re.match(r'str\((\d+)\):"(.*)"$', raw)
    if m:
        kind = {1: "REG_SZ", 2: "REG_EXPAND_SZ", 7: "REG_MULTI_SZ"}.get(int(m.group(1)), f"REG_{m.group(1)}")
        return kind, unescape(m.group(2))
    if raw.startswith("dword:"):
        return "REG_DWORD", int(raw[6:], 16)
    m = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:(.*)$", raw)
    if m:
        code = int(m.group(1) or "3", 16)
        data = hex_bytes(m.group(2))
        if code in (1, 2, 7):
            kind = {1: "REG_SZ", 2: "REG_EXPAND_SZ", 7: "REG_MULTI_SZ"}[code]
            return kind, utf16_text(data).rstrip("\0") if code != 7 else utf16_text(data)
        return f"REG_HEX{code}", data.hex()
    raise ValueError(f"unreadable value data {raw!r}")


def read_reg_file(path):
    """{lower-case key: (key, {lower-case name or None: (name, type, data)})}"""
    keys, values, lines = {}, None, []
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        for line in f:
            line = line.rstrip("\n")
            if lines and lines[-1].endswith("\\") and not lines[-1].endswith("\\\\"):
                lines[-1] = lines[-1][:-1] + line.strip()
            else:
                lines.append(line)
    for line in lines:
        if line.startswith("["):
            m = re.match(r"\[(.*)\](?: \d+)?$", line)
            key = unescape(m.group(1))
            values = {}
            keys[key.lower()] = (key, values)
        elif values is not None and (line.startswith('"') or line.startswith("@=")):
            name, raw = split_quoted(line)
            kind, data = parse_data(raw)
            values[None if name is None else name.lower()] = (name, kind, data)
    return keys


def read_snapshot(folder):
    return {"HKLM": read_reg_file(f"{folder}/system.reg"), "HKCU": read_reg_file(f"{folder}/user.reg")}


def entries_of(snapshot, ignore):
    """Every value, and every key that has neither values nor subkeys, outside `ignore`:
    {(root, lower key, lower name): (key, name, type, data)}; and every key."""
    out, every = {}, set()
    for root, keys in snapshot.items():
        parents = set()
        for k in keys:
            parts = k.split("\\")
            parents.update("\\".join(parts[:i]) for i in range(1, len(parts)))
        # Wine leaves out the line of a key that has subkeys and no values.
        every.update((root, k) for k in parents | keys.keys())
        for k, (key, values) in keys.items():
            if under(key, ignore.get(root, [])):
                continue
            for n, (name, kind, data) in values.items():
                out[(root, k, n)] = (key, name, kind, data)
            if not values and k not in parents:
                out[(root, k, KEY_ONLY)] = (key, KEY_ONLY, KEY_ONLY, None)
    return out, every


def changes(before, after, ignore):
    """(added or changed entries, removed entries) between two snapshots."""
    old, _ = entries_of(read_snapshot(before), ignore)
    new, keys = entries_of(read_snapshot(after), ignore)
    added = {k: v for k, v in new.items() if old.get(k, (None,) * 4)[2:] != v[2:]}
    # A key that was empty and now has subkeys is still there.
    removed = {k: v for k, v in old.items() if k not in new and not (k[2] == KEY_ONLY and k[:2] in keys)}
    return added, removed


def ignore_lists(*lists):
    merged = {}
    for lst in lists:
        for root, prefixes in lst.items():
            merged.setdefault(root, []).extend(prefixes)
    return merged


# ----------------------------------------------------------------------- views

WOW = re.compile(r"^(Software\\(?:Classes\\)?)Wow6432Node(\\|$)", re.I)


def logical_key(physical, bits):
    """(key as a program of its view names it, the view) for an entry that a program of
    `bits` wrote: in a shared key the entry is the writer's."""
    m = WOW.match(physical)
    if m:
        return m.group(1) + physical[m.end():], 32
    return physical, bits if under(physical, SHARED_KEYS) else 64


def physical_key(key, view):
    """Where an entry of `view` named `key` is kept."""
    if view == 64 or under(key, SHARED_KEYS):
        return key
    m = re.match(r"^(Software\\Classes|Software)(\\|$)", key, re.I)
    return key if not m else m.group(1) + "\\Wow6432Node" + key[m.end(1):]


# ----------------------------------------------------------------------- paths

def tokenise(text, paths):
    """The DLL's paths in a value replaced by tokens, longest first."""
    if not isinstance(text, str):
        return text
    for token, path in ((DLL, paths["dll"]), (DLL_SHORT, paths["short"]), (DIR, paths["dir"])):
        text = re.sub(re.escape(path), token.replace("\\", "\\\\"), text, flags=re.I)
    return text


def expand(text, paths, folder_slash=False):
    if not isinstance(text, str):
        return text
    folder = paths["dir"] + ("\\" if folder_slash else "")
    return text.replace(DLL, paths["dll"]).replace(DLL_SHORT, paths["short"]).replace(DIR, folder)


def paths_of(dll, short):
    return {"dll": dll, "short": short, "dir": dll.rsplit("\\", 1)[0]}


def ordered(entries):
    return sorted(entries.items(), key=lambda kv: str(kv[0]))


def entry_id(e, key=None):
    return (e["root"], (key or e["key"]).lower(),
            KEY_ONLY if e["type"] == KEY_ONLY else None if e["name"] is None else e["name"].lower())


def physical_id(e):
    return entry_id(e, physical_key(e["key"], e["view"]))


def describe(root, key, name, kind, data):
    shown = "(key)" if kind == KEY_ONLY else f"{name or '@'} = {kind} {data!r}"
    return f"{root}\\{key}: {shown}"


# ----------------------------------------------------------------------- commands

def cmd_harvest(a):
    added, removed = changes(a.before, a.after, HOUSEKEEPING)
    problems = [f"removed by the registration: {describe(r, *v)}" for (r, *_), v in removed.items()]
    paths = paths_of(a.dll, a.short)
    entries = []
    for (root, *_), (key, name, kind, data) in ordered(added):
        logical, view = logical_key(key, a.bits)
        if root != "HKLM":
            problems.append(f"a per-machine package cannot write the user's entry {describe(root, key, name, kind, data)}")
        if kind not in ("REG_SZ", "REG_EXPAND_SZ", "REG_DWORD", KEY_ONLY):
            problems.append(f"no RegistryValue type for {describe(root, key, name, kind, data)}")
        entries.append({"root": root, "view": view, "key": logical, "name": name, "type": kind,
                        "data": tokenise(data, paths)})
    if problems:
        sys.exit("harvest: " + "\n  ".join(["cannot package this registration:"] + problems))
    if not entries:
        sys.exit("harvest: the registration wrote nothing")
    json.dump({"bits": a.bits, "entries": entries}, open(a.output, "w"), indent=1)
    print(f"harvest: {len(entries)} entries of the {a.bits}-bit DLL -> {a.output}")


TYPELIB_KIND = re.compile(r"^(Software\\Classes\\TypeLib\\[^\\]+\\[^\\]+\\[^\\]+\\)win(32|64)$", re.I)


def only_32bit_own(entries32, entries64):
    """A key both views share holds one value per name: where the 64-bit DLL's
    registration writes it, that value is the 64-bit component's, and the 32-bit one
    leaves it alone (for the type library: its description, flags and help folder; the
    32-bit file has a win32 folder of its own)."""
    taken = {physical_id(e) for e in entries64}
    return [e for e in entries32 if physical_id(e) not in taken]


def of_view(h, view):
    return [e for e in h["entries"] if e["view"] == view]


def covered(extra, entries, what):
    """Fails unless every entry of `extra` is among `entries` with the same data."""
    index = {physical_id(e): e for e in entries}
    wrong = [e for e in extra if (index.get(physical_id(e)) or {}).get("data", object()) != e["data"]]
    if wrong:
        sys.exit("\n  ".join([f"{what}:"] + [str(e) for e in wrong]))


def cmd_derive32(a):
    # The 32-bit DLL registers the same classes, interfaces and toolbars as the 64-bit one;
    # what differs is written down here: its entries go to the 32-bit view (the package's
    # 32-bit component is not marked Win64, so Windows Installer puts them there), its type
    # library is registered under win32 instead of win64, and its paths are its own file's
    # (the tokens resolve to the 32-bit file when the component is written).
    h = json.load(open(a.source))
    if h["bits"] != 64:
        sys.exit(f"derive32: {a.source} is not a 64-bit harvest")
    derived = []
    for e in of_view(h, 64):
        e = dict(e, view=32)
        m = TYPELIB_KIND.match(e["key"])
        if m:
            e["key"] = m.group(1) + "win32"
        derived.append(e)
    # Wine's RegisterTypeLib in a 64-bit process also registers the interfaces for 32-bit
    # programs: the 32-bit component must write those very entries.
    covered(of_view(h, 32), derived, "derive32: the 64-bit registration writes into the 32-bit view what "
                                     "the derived 32-bit entries do not hold")
    json.dump({"bits": 32, "entries": only_32bit_own(derived, of_view(h, 64))}, open(a.output, "w"), indent=1)
    print(f"derive32: 32-bit entries derived from {a.source} -> {a.output}")


def cmd_own32(a):
    real, h64 = json.load(open(a.source)), json.load(open(a.harvest64))
    covered(of_view(real, 64), of_view(h64, 64), "own32: the 32-bit registration writes into the 64-bit view "
                                                 "what the 64-bit one does not")
    json.dump({"bits": 32, "entries": only_32bit_own(of_view(real, 32), of_view(h64, 64))}, open(a.output, "w"),
              indent=1)


def cmd_same(a):
    one, two = json.load(open(a.first)), json.load(open(a.second))
    index = lambda h: {entry_id(e): e for e in h["entries"]}  # noqa: E731
    x, y = index(one), index(two)
    lines = [f"  only in {a.first}: {x[k]}" for k in sorted(x.keys() - y.keys(), key=str)]
    lines += [f"  only in {a.second}: {y[k]}" for k in sorted(y.keys() - x.keys(), key=str)]
    lines += [f"  differ: {x[k]} / {y[k]}" for k in sorted(x.keys() & y.keys(), key=str)
              if (x[k]["type"], x[k]["data"]) != (y[k]["type"], y[k]["data"])]
    if lines:
        sys.exit("\n".join([f"same: {a.first} and {a.second} differ:"] + lines))
    print(f"same: {len(x)} entries alike")


def msi_escape(text):
    """Windows Installer formats registry keys, names and values: brackets are its own."""
    return re.sub(r"[\[\]]", lambda m: "[\\" + m.group(0) + "]", text)


def xml_attr(text):
    return (text.replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;").replace(">", "&gt;")
            .replace("\r", "&#13;").replace("\n", "&#10;"))


def cmd_wxi(a):
    h = json.load(open(a.source))
    refs = {DLL: f"[#{a.file_id}]", DLL_SHORT: f"[!{a.file_id}]", DIR: f"[{a.dir_id}]"}
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             f"<!-- Written by installer/registration.py from {PurePosixPath(a.source).name}: "
             f"what regsvr32 writes for the {h['bits']}-bit DLL. -->",
             "<Include>"]
    for e in of_view(h, a.view):
        key = xml_attr(msi_escape(e["key"]))
        if e["type"] == KEY_ONLY:
            # "*": Windows Installer creates the key and deletes it, with what is under it, on removal.
            lines.append(f'  <RegistryValue Root="{e["root"]}" Key="{key}" Name="*" Type="string" Value=""/>')
            continue
        name = "" if e["name"] is None else f' Name="{xml_attr(msi_escape(e["name"]))}"'
        if e["type"] == "REG_DWORD":
            kind, value = "integer", str(e["data"])
        else:
            value = msi_escape(e["data"])
            for token, ref in refs.items():
                value = value.replace(msi_escape(token), ref)
            # A leading # would make Windows Installer read a number or an expandable text.
            if value.startswith("#"):
                value = "#" + value
            kind = "expandable" if e["type"] == "REG_EXPAND_SZ" else "string"
        lines.append(f'  <RegistryValue Root="{e["root"]}" Key="{key}"{name} Type="{kind}" Value="{xml_attr(value)}"/>')
    lines.append("</Include>")
    open(a.output, "w").write("\n".join(lines) + "\n")


def expected_entries(expectation):
    """HARVEST=DLL=SHORT -> {id: (entry, accepted data values)} at their physical keys."""
    source, dll, short = expectation.split("=", 2)
    h = json.load(open(source))
    paths = paths_of(dll, short)
    out = {}
    for e in h["entries"]:
        # Windows Installer's folder properties end with a backslash; regsvr32's do not.
        accepted = {expand(e["data"], paths), expand(e["data"], paths, folder_slash=True)}
        out[physical_id(e)] = (dict(e, key=physical_key(e["key"], e["view"])), accepted, e["view"])
    return out


def given_ignores(a):
    out = {}
    for item in a.ignore:
        root, _, key = item.partition("\\")
        out.setdefault(root, []).append(key)
    return out


def cmd_check(a):
    added, removed = changes(a.before, a.after, ignore_lists(HOUSEKEEPING, INSTALLER_RECORDS, given_ignores(a)))
    failures = []
    expected = {}
    for expectation in a.expect:
        expected.update(expected_entries(expectation))
    for bits in sorted({b for _, _, b in expected.values()}, reverse=True):
        mine = {k: v for k, v in expected.items() if v[2] == bits}
        missing = []
        for k, (e, accepted, _) in ordered(mine):
            got = added.get(k)
            if got is None:
                missing.append(f"  missing: {describe(e['root'], e['key'], e['name'], e['type'], sorted(accepted)[0])}")
            elif got[2] != e["type"] or got[3] not in accepted:
                missing.append(f"  wrong: {describe(e['root'], *got)}; expected {e['type']} "
                               f"{' or '.join(repr(v) for v in sorted(accepted, key=str))}")
        print(f"check: {bits}-bit view: {len(mine) - len(missing)} of {len(mine)} harvested entries present and alike")
        failures += missing
    extra = [f"  not written by regsvr32: {describe(r, *v)}" for (r, *rest), v in ordered(added)
             if (r, *rest) not in expected]
    print(f"check: {len(extra)} entries beyond them, {len(removed)} entries removed")
    failures += extra + [f"  removed: {describe(r, *v)}" for (r, *_), v in ordered(removed)]
    if failures:
        sys.exit("\n".join(["check: the registry differs from the harvested registration:"] + failures))


def cmd_unchanged(a):
    added, removed = changes(a.before, a.after, ignore_lists(HOUSEKEEPING, given_ignores(a)))
    # Windows Installer keeps its folders of records once it has made them (Windows has them
    # from the start): empty, they are not the package's. A value there is.
    containers = {k: v for k, v in added.items() if v[2] == KEY_ONLY and under(v[0], INSTALLER_RECORDS.get(k[0], []))}
    for (r, *_), v in ordered(containers):
        print(f"unchanged: NOTE: Windows Installer's empty record folder stays: {describe(r, *v)}")
    added = {k: v for k, v in added.items() if k not in containers}
    lines = [f"  left behind: {describe(r, *v)}" for (r, *_), v in ordered(added)]
    lines += [f"  removed: {describe(r, *v)}" for (r, *_), v in ordered(removed)]
    if lines:
        sys.exit("\n".join([f"unchanged: the registry is not as before ({len(lines)} differences):"] + lines))
    print("unchanged: every entry is as it was before")


def cmd_holds(a):
    """Fails unless a snapshot holds a value (NAME @ for the default one), or with
    --absent, unless it lacks it."""
    keys = read_snapshot(a.snapshot)[a.root]
    name = None if a.name == "@" else a.name.lower()
    got = keys.get(a.key.lower(), (None, {}))[1].get(name)
    if a.absent:
        if got is not None:
            sys.exit(f"holds: {a.root}\\{a.key} {a.name} is {got[2]!r}, expected none")
    elif got is None or got[2] != a.data:
        sys.exit(f"holds: {a.root}\\{a.key} {a.name} is {got[2] if got else 'missing'!r}, not {a.data!r}")


def cmd_products(a):
    """The products Windows Installer lists as installed under a name: code and version."""
    keys = read_snapshot(a.snapshot)["HKLM"]
    base = "software\\microsoft\\windows\\currentversion\\uninstall\\"
    for k, (key, values) in sorted(keys.items()):
        if k.startswith(base) and "\\" not in k[len(base):] and values.get("displayname", (0, 0, ""))[2] == a.name:
            print(key[len(base):], values.get("displayversion", (0, 0, "?"))[2])


def cmd_product_code(a):
    # One product code per version, the same on every build of it, so that each version is
    # a product of its own for Windows Installer (a major upgrade) and rebuilding a version
    # makes the same package.
    print("{%s}" % str(uuid.uuid5(uuid.UUID(a.upgrade_code), a.version)).upper())


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="command", required=True)
    s = sub.add_parser("harvest")
    s.add_argument("--before", required=True)
    s.add_argument("--after", required=True)
    s.add_argument("--bits", type=int, choices=(32, 64), required=True)
    s.add_argument("--dll", required=True, help="the DLL's path as regsvr32 was given it")
    s.add_argument("--short", required=True, help="the same path in short (8.3) form")
    s.add_argument("-o", "--output", required=True)
    s.set_defaults(run=cmd_harvest)
    s = sub.add_parser("derive32")
    s.add_argument("source")
    s.add_argument("-o", "--output", required=True)
    s.set_defaults(run=cmd_derive32)
    s = sub.add_parser("own32", help="a real 32-bit harvest less what the 64-bit component writes")
    s.add_argument("source")
    s.add_argument("--harvest64", required=True)
    s.add_argument("-o", "--output", required=True)
    s.set_defaults(run=cmd_own32)
    s = sub.add_parser("same")
    s.add_argument("first")
    s.add_argument("second")
    s.set_defaults(run=cmd_same)
    s = sub.add_parser("wxi")
    s.add_argument("source")
    s.add_argument("--view", type=int, choices=(32, 64), required=True, help="the component's view")
    s.add_argument("--file-id", required=True)
    s.add_argument("--dir-id", required=True)
    s.add_argument("-o", "--output", required=True)
    s.set_defaults(run=cmd_wxi)
    def comparison(name):
        """A command comparing two registry snapshots, keys left out on request."""
        parser = sub.add_parser(name)
        parser.add_argument("--before", required=True)
        parser.add_argument("--after", required=True)
        parser.add_argument("--ignore", action="append", default=[], metavar="ROOT\\KEY", help="a key left out")
        return parser

    s = comparison("check")
    s.add_argument("--expect", action="append", required=True, metavar="HARVEST=DLL=SHORT")
    s.set_defaults(run=cmd_check)
    comparison("unchanged").set_defaults(run=cmd_unchanged)
    s = sub.add_parser("holds")
    s.add_argument("snapshot")
    s.add_argument("root", choices=("HKLM", "HKCU"))
    s.add_argument("key")
    s.add_argument("name")
    s.add_argument("data", nargs="?")
    s.add_argument("--absent", action="store_true")
    s.set_defaults(run=cmd_holds)
    s = sub.add_parser("products")
    s.add_argument("snapshot")
    s.add_argument("name")
    s.set_defaults(run=cmd_products)
    s = sub.add_parser("product-code")
    s.add_argument("--upgrade-code", required=True)
    s.add_argument("--version", required=True)
    s.set_defaults(run=cmd_product_code)
    a = p.parse_args()
    a.run(a)


if __name__ == "__main__":
    main()
