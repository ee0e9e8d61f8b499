#!/usr/bin/python3
"""Checks a backup archive with Python's own zip reader: every soup's entries
member holds exactly what newton-sim sent (its --sent-to folder), each
package is the package file of its name, every member matches its checksum
in the manifest and is the owner's alone (mode 0600).  Prints what it found, a line each; exits 1 on a difference."""
import hashlib
import json
import os
import sys
import zipfile

archive, sent, *package_files = sys.argv[1:]
packages = {os.path.splitext(os.path.basename(f))[0]: f for f in package_files}
failed = False
with zipfile.ZipFile(archive) as backup:
    manifest = json.loads(backup.read("manifest.json"))
    print("newton", manifest["newton"], "complete" if manifest["complete"] else "incomplete")
    members = [s for store in manifest["stores"] for s in store["soups"]]
    members += [s["info"] for s in members if "info" in s] + manifest["packages"]
    for info in backup.infolist():
        if info.external_attr >> 16 != 0o100600:
            print("mode %o:" % (info.external_attr >> 16), info.filename)
            failed = True
    for member in members:
        if hashlib.sha256(backup.read(member["member"])).hexdigest() != member["sha256"]:
            print("checksum differs:", member["member"])
            failed = True
    for store in manifest["stores"]:
        for soup in store["soups"]:
            with open(os.path.join(sent, store["name"] + " " + soup["name"] + ".entries"), "rb") as f:
                same = backup.read(soup["member"]) == f.read()
            print(store["name"], soup["name"], soup["entries"], "as sent" if same else "DIFFERS")
            failed = failed or not same
    for entry in manifest["packages"]:
        with open(packages[entry["name"]], "rb") as f:
            same = backup.read(entry["member"]) == f.read()
        print("package", entry["member"], "as installed" if same else "DIFFERS")
        failed = failed or not same
sys.exit(1 if failed else 0)
