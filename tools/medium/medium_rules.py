"""How the installer reads the program archive: which members it installs,
where, which of them replace each other, and which names it cannot install.

Kept beside the medium builder so that a publisher learns about a problem when
the medium is built, not when a user installs it."""

import io
import os
import re
import zipfile

# The installer's own tables, read from its sources in the project folder the
# builder runs from: adding a component or a method touches one table, and
# the builder cannot disagree with the installer it builds the medium for.
_PROJECT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def _table(relative, start):
    """The rows of the C++ table that begins with `start` in a source file."""
    path = os.path.join(_PROJECT, relative)
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        raise SystemExit(f"medium builder: cannot read the installer's table {path}: {e}")
    at = text.find(start)
    if at < 0:
        raise SystemExit(f"medium builder: no table {start!r} in {path}")
    return text[at : text.index("};", at)]


def _decodable_methods():
    """The numbers of the method table's rows that name a decoder."""
    rows = re.findall(r'^\s*\{(\d+), "[^"]*", (nullptr)?', _table(
        "unzip/decoders/uzMethods.cpp", "kMethods[] = {"), re.M)
    if not rows:
        raise SystemExit("medium builder: no rows in the method table")
    return {int(number) for number, absent in rows if not absent}


def _archive_folders():
    """(folder, destination relative to the install folder, extracted on
    every installation) of the component table's archive folders, in order."""
    ids = _table("install/Components.h", "enum TComponentId")
    ids = re.findall(r"\b(k\w+)\b", ids[ids.index("{") :])
    optional = re.findall(r'^\s*\{(?:nullptr|"\w+"), (true|false),',
                          _table("install/Components.h", "kComponents[kComponentCount] = {"), re.M)
    rows = re.findall(r'\{"(\w+)",\s*"((?:[^"\\]|\\.)*)",\s*(\w+)\}',
                      _table("install/Components.h", "kArchiveFolders[] = {"))
    if not rows or not optional:
        raise SystemExit("medium builder: no rows in the component table")
    return [(folder, dest.replace("\\\\", "\\").lstrip("\\"), optional[ids.index(c)] == "false")
            for folder, dest, c in rows]


# Top-level archive folders in the order the installer extracts them, with
# the folder each lands in (relative to the install folder) and whether it is
# extracted on every installation (BDE only with database support).
FOLDERS = _archive_folders()
IMAGE_SIZE = 174236370

# Files the installer itself puts into the install folder; a member of that
# name would replace them (or the archive while it is being read).
INSTALLER_FILES = {"setup.exe", "map.maptl", "temp.zip"}
# Files the links, file types and uninstall record point at.
REFERENCED = ["Program:Map.exe", "Icons:maptl.ico", "Icons:maptldb.ico", "Help:Help.htm"]

# The methods the archive component decodes.
DECODABLE_METHODS = _decodable_methods()
WINDOWS_FORBIDDEN = set('<>:"|?*') | {chr(c) for c in range(32)}
DEVICE_NAMES = {"CON", "PRN", "AUX", "NUL"} | {f"{p}{n}" for p in ("COM", "LPT") for n in range(1, 10)}


def ascii_lower(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def split_name(stored):
    """(directory part with "\\" separators, bare file name) of a stored name."""
    name = stored.replace("/", "\\")
    cut = max(name.rfind("\\"), name.rfind(":"))
    return name[: cut + 1], name[cut + 1 :]


def folder_of(stored):
    """The archive folder whose pattern selects the member, or None. The
    pattern is the folder name followed by "\\*.*", letter case of A-Z
    ignored: the member must lie below the folder, at any depth, with a "."
    somewhere after the folder's "\\"."""
    name = ascii_lower(stored.replace("/", "\\"))
    for folder, _, _ in FOLDERS:
        prefix = ascii_lower(folder) + "\\"
        if name.startswith(prefix) and "." in name[len(prefix) :]:
            return folder
    return None


def destination(folder):
    return next(dest for f, dest, _ in FOLDERS if f == folder)


def name_problem(stored):
    """Why the installer cannot install a member under this name, or None."""
    top = stored.replace("\\", "/").split("/", 1)[0]
    if folder_of(stored) is None:
        if any(ascii_lower(top) == ascii_lower(f) for f, _, _ in FOLDERS):
            return f'nothing after "{top}/" has a ".", so the installer does not select it'
        return "it is not inside one of the folders " + ", ".join(f for f, _, _ in FOLDERS)
    _, bare = split_name(stored)
    if any(c in WINDOWS_FORBIDDEN for c in stored):
        return 'its name holds a character Windows does not allow (< > : " | ? * or a control)'
    if bare.endswith((" ", ".")):
        return "its name ends in a space or a dot, which Windows drops"
    if bare.split(".", 1)[0].upper() in DEVICE_NAMES:
        return "its name is a Windows device name"
    if any(0xD800 <= ord(c) <= 0xDFFF for c in stored):
        return "its name is not valid text"
    if len(bare.encode("utf-16-le")) // 2 > 255:
        return "its name is longer than 255 characters"
    folder = folder_of(stored)
    if destination(folder) == "" and bare.lower() in INSTALLER_FILES:
        return f"it would replace the installer's own {bare} in the install folder"
    return None


def member_problem(info):
    """Why the installer could not extract an archive member, or None."""
    if info.flag_bits & 0x1:
        return "it is encrypted (the installer gives no password)"
    if info.compress_type not in DECODABLE_METHODS:
        return f"its compression method {info.compress_type} is not supported"
    return name_problem(info.filename)


def placement(names, with_bde=True):
    """What the installer makes of the member names, in archive order:
    a dict from installed path (relative, "\\"-separated) to the member that
    ends there, and a list of (installed path, replaced member, winner)."""
    installed, replaced = {}, []
    keys = {}
    for folder, dest, always in FOLDERS:
        if not (always or with_bde):
            continue
        for name in names:
            if folder_of(name) != folder:
                continue
            _, bare = split_name(name)
            path = dest + "\\" + bare if dest else bare
            key = path.upper()  # Windows file names ignore case
            if key in keys:
                path = keys[key]  # a replaced file keeps the name it had
                replaced.append((path, installed[path], name))
            keys[key] = path
            installed[path] = name
    return installed, replaced


def missing_references(names):
    """The referenced files that no member provides."""
    found = {(folder_of(n), split_name(n)[1].upper()) for n in names if folder_of(n)}
    out = []
    for ref in REFERENCED:
        folder, bare = ref.split(":")
        if (folder, bare.upper()) not in found:
            out.append(f"{folder}/{bare}")
    return out


def archive_names(archive):
    """File members (not folder entries) of an open zipfile.ZipFile, in order."""
    return [i for i in archive.infolist() if not i.is_dir()]


def open_archive(path):
    """The program archive of a container (past the image) or a plain archive.
    Raises zipfile.BadZipFile, with a message that names the file, for a
    container too short to hold an archive and for what is no ZIP archive."""
    size = os.path.getsize(path)
    if path.lower().endswith(".maptl"):
        if size <= IMAGE_SIZE:
            raise zipfile.BadZipFile(f"{path}: {size} bytes, no program archive after the "
                                     f"{IMAGE_SIZE}-byte map image")
        with open(path, "rb") as f:
            f.seek(IMAGE_SIZE)
            data = io.BytesIO(f.read())
        where = f"{path}: after the map image"
    else:
        data, where = path, path
    try:
        return zipfile.ZipFile(data)
    except zipfile.BadZipFile as e:
        raise zipfile.BadZipFile(f"{where}: not a readable ZIP archive ({e})") from None
