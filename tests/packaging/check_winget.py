#!/usr/bin/env python3
"""Holds the package manifest against what a package manager relies on.

  check_winget.py validate MANIFESTS SCHEMAS [SETUP.EXE] schemas, the files' agreement, the hash
                                                         (without SETUP.EXE: as committed)
  check_winget.py command MANIFESTS MODE LOGPATH         MODE's switches, one per line
  check_winget.py record MANIFESTS EXPORT.reg            the record Setup.exe wrote (an export of
                                                         the Uninstall key); prints its quiet command
Exit status 0 when everything holds, 1 with the differences on stderr."""

import hashlib
import json
import os
import re
import shlex
import sys

import jsonschema
import yaml


def load(folder):
    """The manifests of the folder by their ManifestType."""
    docs = [yaml.safe_load(open(os.path.join(folder, n), encoding="utf-8"))
            for n in sorted(os.listdir(folder)) if n.endswith(".yaml")]
    return {doc["ManifestType"]: doc for doc in docs}


def validate(folder, schemas, setup=None):
    manifests, problems = load(folder), []
    if sorted(manifests) != ["defaultLocale", "installer", "version"]:
        return [f"manifest types {sorted(manifests)}"]
    for kind, doc in manifests.items():
        with open(os.path.join(schemas, f"manifest.{kind}.{doc['ManifestVersion']}.json")) as f:
            schema = json.load(f)
        for error in jsonschema.Draft7Validator(schema).iter_errors(doc):
            problems.append(f"{kind}: {'/'.join(map(str, error.path))}: {error.message}")
        for field in ("PackageIdentifier", "PackageVersion", "ManifestVersion"):
            if doc[field] != manifests["version"][field]:
                problems.append(f"{kind}: {field} {doc[field]!r} differs from the version's")
    installer = manifests["installer"]
    codes = sorted(c["InstallerReturnCode"] for c in installer["ExpectedReturnCodes"])
    if codes != [1, 2, 3, 1618, 3010]:
        problems.append(f"ExpectedReturnCodes {codes}")
    if setup is None:
        return problems
    digest = hashlib.sha256(open(setup, "rb").read()).hexdigest().upper()
    problems += [f"InstallerSha256 {i['InstallerSha256']} is not {digest}"
                 for i in installer["Installers"] if i["InstallerSha256"].upper() != digest]
    return problems


def read_export(path):
    """{key name: {value name: value}} of a registry export (UTF-16 or UTF-8)."""
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8")
    unescape = lambda t: t.replace('\\"', '"').replace("\\\\", "\\")  # noqa: E731
    keys, current = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1].rsplit("\\", 1)[-1], {})
        elif current is not None and (m := re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)):
            data = m.group(2)
            current[unescape(m.group(1))] = (
                unescape(data[1:-1]) if data.startswith('"')
                else int(data[6:], 16) if data.startswith("dword:") else data)
    return keys


def record(folder, export):
    installer = load(folder)["installer"]
    code, keys = installer["ProductCode"], read_export(export)
    if code not in keys:
        return [f"no uninstall key named {code!r}"], None
    values, problems = keys[code], []
    for entry in installer["AppsAndFeaturesEntries"]:
        for field in ("ProductCode", "DisplayName", "Publisher", "DisplayVersion"):
            want = code if field == "ProductCode" else values.get(field)
            if entry.get(field) is not None and entry[field] != want:
                problems.append(f"{field}: record {want!r}, manifest {entry[field]!r}")
    problems += [f"{flag}: {values.get(flag)!r}, not 1"
                 for flag in ("NoModify", "NoRepair") if values.get(flag) != 1]
    return problems, values.get("QuietUninstallString")


def main(argv):
    if len(argv) == 5 and argv[1] == "command":
        switches = load(argv[2])["installer"]["InstallerSwitches"]
        # As the program's command line splits them: quotes bind.
        print("\n".join(shlex.split(switches[argv[3]] + " " +
                                    switches["Log"].replace("<LOGPATH>", argv[4]))))
        return 0
    if len(argv) in (4, 5) and argv[1] == "validate":
        problems = validate(*argv[2:])
    elif len(argv) == 4 and argv[1] == "record":
        problems, quiet = record(*argv[2:])
        print(quiet or "")
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in problems:
        print("check_winget: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
