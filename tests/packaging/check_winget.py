#!/usr/bin/env python3
"""Holds the package manifest against what a package manager relies on.

  check_winget.py validate MANIFESTS SCHEMAS SETUP.EXE
      each file against its schema, the three files against each other, and
      InstallerSha256 against the Setup.exe the build made
  check_winget.py command MANIFESTS MODE LOGPATH
      the arguments a package manager passes in MODE (Silent or
      SilentWithProgress), with the log switch, one per line
  check_winget.py record MANIFESTS EXPORT.reg
      the uninstall record Setup.exe wrote (an export of the Uninstall key)
      against ProductCode and AppsAndFeaturesEntries; prints the record's
      QuietUninstallString

Exit status 0 when everything holds, 1 with the differences on stderr."""

import hashlib
import json
import os
import re
import shlex
import sys

import jsonschema
import yaml

SCHEMA_OF = {"version": "version", "defaultLocale": "defaultLocale", "installer": "installer"}
EXPECTED_CODES = {1, 2, 3, 1618, 3010}


def load(folder):
    """The manifests of the folder by their ManifestType."""
    manifests = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".yaml"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                doc = yaml.safe_load(f)
            manifests[doc["ManifestType"]] = doc
    return manifests


def validate(folder, schemas, setup):
    manifests, problems = load(folder), []
    if sorted(manifests) != sorted(SCHEMA_OF):
        return [f"manifest types {sorted(manifests)}, expected {sorted(SCHEMA_OF)}"]
    for kind, doc in manifests.items():
        path = os.path.join(schemas, f"manifest.{SCHEMA_OF[kind]}.{doc['ManifestVersion']}.json")
        with open(path, encoding="utf-8") as f:
            schema = json.load(f)
        for error in jsonschema.Draft7Validator(schema).iter_errors(doc):
            problems.append(f"{kind}: {'/'.join(map(str, error.path))}: {error.message}")
        for field in ("PackageIdentifier", "PackageVersion", "ManifestVersion"):
            if doc[field] != manifests["version"][field]:
                problems.append(f"{kind}: {field} {doc[field]!r} differs from the version manifest")
    installer = manifests["installer"]
    codes = {c["InstallerReturnCode"] for c in installer["ExpectedReturnCodes"]}
    if codes != EXPECTED_CODES:
        problems.append(f"ExpectedReturnCodes {sorted(codes)}, expected {sorted(EXPECTED_CODES)}")
    with open(setup, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest().upper()
    for each in installer["Installers"]:
        if each["InstallerSha256"].upper() != digest:
            problems.append(f"InstallerSha256 {each['InstallerSha256']} is not {digest} of {setup}")
    return problems


def command(folder, mode, logpath):
    switches = load(folder)["installer"]["InstallerSwitches"]
    text = switches[mode] + " " + switches["Log"].replace("<LOGPATH>", logpath)
    # The switches as the program's command line splits them: quotes bind.
    return shlex.split(text, posix=True)


def read_export(path):
    """{key name: {value name: value}} of a registry export (UTF-16 or UTF-8)."""
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8")
    keys, current = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1].rsplit("\\", 1)[-1], {})
        elif current is not None and (m := re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)):
            name, data = m.group(1).replace('\\"', '"').replace("\\\\", "\\"), m.group(2)
            if data.startswith('"'):
                current[name] = data[1:-1].replace('\\"', '"').replace("\\\\", "\\")
            elif data.startswith("dword:"):
                current[name] = int(data[6:], 16)
            else:
                current[name] = data
    return keys


def record(folder, export):
    installer, problems = load(folder)["installer"], []
    keys = read_export(export)
    code = installer["ProductCode"]
    if code not in keys:
        return [f"no uninstall key named {code!r} (keys: {sorted(keys)})"], None
    values = keys[code]
    for entry in installer["AppsAndFeaturesEntries"]:
        if entry.get("ProductCode", code) != code:
            problems.append(f"AppsAndFeaturesEntries ProductCode {entry['ProductCode']!r}")
        for field in ("DisplayName", "Publisher", "DisplayVersion"):
            if entry.get(field) is not None and values.get(field) != entry[field]:
                problems.append(f"{field}: record {values.get(field)!r}, manifest {entry[field]!r}")
    for flag in ("NoModify", "NoRepair"):
        if values.get(flag) != 1:
            problems.append(f"{flag}: record {values.get(flag)!r}, expected 1")
    return problems, values.get("QuietUninstallString")


def main(argv):
    if len(argv) == 5 and argv[1] == "validate":
        problems = validate(*argv[2:])
    elif len(argv) == 5 and argv[1] == "command":
        print("\n".join(command(*argv[2:])))
        return 0
    elif len(argv) == 4 and argv[1] == "record":
        problems, quiet = record(*argv[2:])
        if quiet:
            print(quiet)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in problems:
        print("check_winget: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
