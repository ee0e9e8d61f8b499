#!/usr/bin/python3
"""Checks a backup archive with Python's own zip reader: every soup's entries
member holds exactly what newton-sim sent (its --sent-to folder), each
package is the package file of its name, every member matches its checksum
in the manifest and is the owner's alone (mode 0600), and the manifest holds
what a restore needs (each soup whole, with its signature, indexes,
information and highest id; each store's kind; the Newton's version, clock
and applications).  Prints what it found, a line each; exits 1 on a
difference."""
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
    soups = [s for store in manifest["stores"] for s in store["soups"]]
    members = soups + [s[part] for s in soups for part in ("info", "indexes") if part in s]
    members += manifest["packages"]
    members += [manifest[part] for part in ("newton info", "stores list", "applications")
                if part in manifest]
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
    print("version", manifest.get("version", 1), "clock" if "newton clock" in manifest else "",
          "applications" if "applications" in manifest else "",
          "machine %08x" % manifest["newton info"]["machine type"] if "newton info" in manifest
          else "")
    for store in manifest["stores"]:
        print("store", store["name"], store.get("kind"), "whole" if store.get("whole") else "")
        for soup in store["soups"]:
            lacks = [part for part in ("signature", "highest id", "indexes", "info")
                     if part not in soup] + ([] if soup.get("whole") else ["its end"])
            if lacks:
                print(store["name"], soup["name"], "lacks", ", ".join(lacks))
    for entry in manifest["packages"]:
        with open(packages[entry["name"]], "rb") as f:
            same = backup.read(entry["member"]) == f.read()
        print("package", entry["member"], "as installed" if same else "DIFFERS")
        failed = failed or not same
sys.exit(1 if failed else 0)
