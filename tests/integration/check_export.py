#!/usr/bin/python3
"""Reads an export as the programs people use read it, and prints what each
found, a line each; exits 1 when one refused a file.

  check_export.py FOLDER SCRATCH

- vobject with validation (as vdirsyncer and khard build on it) reads every
  card, event and task;
- khard lists the cards from an address book folder of one card a file;
- khal imports Dates.ics and lists the year, and each repeat with a stop day
  is expanded (recurring_ical_events) to its last instance;
- every file and folder name is one FAT, exFAT and Windows take."""
import datetime
import os
import re
import subprocess
import sys

import icalendar
import recurring_ical_events
import vobject

folder, scratch = sys.argv[1:3]
failed = False


def say(*words):
    print(*words, flush=True)


def refused(what, why):
    global failed
    failed = True
    say("refused", what, str(why).splitlines()[-1] if str(why) else "")


# vobject, validating as it reads.
with open(os.path.join(folder, "Names.vcf"), encoding="utf-8", newline="") as names:
    cards = names.read()
try:
    count = sum(1 for card in vobject.readComponents(cards, validate=True))
    say("vobject Names.vcf", count, "cards")
except Exception as error:  # noqa: BLE001 - any refusal is the finding
    refused("vobject Names.vcf", error)
for name in ("Dates.ics", "To Do.ics"):
    with open(os.path.join(folder, name), encoding="utf-8") as ics:
        try:
            for calendar in vobject.readComponents(ics.read(), validate=True):
                parts = [c for c in calendar.getChildren() if c.name in ("VEVENT", "VTODO")]
                say("vobject", name, len(parts), "parts")
        except Exception as error:  # noqa: BLE001
            refused("vobject " + name, error)

# khard, on an address book folder of one card a file.
book = os.path.join(scratch, "book")
os.makedirs(book, exist_ok=True)
for number, card in enumerate(re.findall(r"BEGIN:VCARD\r\n.*?END:VCARD\r\n", cards, re.S)):
    with open(os.path.join(book, "%d.vcf" % number), "w", encoding="utf-8", newline="") as f:
        f.write(card)
with open(os.path.join(scratch, "khard.conf"), "w") as conf:
    conf.write("[addressbooks]\n[[newton]]\npath = %s\n[general]\neditor = /bin/false\n"
               "merge_editor = /bin/false\n" % book)
listing = subprocess.run(["khard", "-c", os.path.join(scratch, "khard.conf"), "list", "--parsable"],
                         capture_output=True, text=True, env=dict(os.environ, HOME=scratch))
if listing.returncode != 0:
    refused("khard", listing.stderr)
else:
    say("khard", len(listing.stdout.splitlines()), "cards")

# khal: the events imported, and the year listed.
with open(os.path.join(scratch, "khal.conf"), "w") as conf:
    conf.write("[calendars]\n[[newton]]\npath = %s\ntype = calendar\n[locale]\n"
               "timeformat = %%H:%%M\ndateformat = %%Y-%%m-%%d\nlongdateformat = %%Y-%%m-%%d\n"
               "datetimeformat = %%Y-%%m-%%d %%H:%%M\nlongdatetimeformat = %%Y-%%m-%%d %%H:%%M\n"
               "[default]\ndefault_calendar = newton\n" % os.path.join(scratch, "calendar"))
os.makedirs(os.path.join(scratch, "calendar"), exist_ok=True)
khal = ["khal", "-c", os.path.join(scratch, "khal.conf")]
env = dict(os.environ, HOME=scratch, XDG_DATA_HOME=os.path.join(scratch, "data"))
imported = subprocess.run(khal + ["import", "--batch", os.path.join(folder, "Dates.ics")],
                          capture_output=True, text=True, env=env)
if imported.returncode != 0 or "rror" in imported.stderr:
    refused("khal import", imported.stderr)
year = subprocess.run(khal + ["list", "--format", "{start-date} {start-time} {title}",
                              "2026-01-01", "2027-01-01"], capture_output=True, text=True, env=env)
say("khal", len([line for line in year.stdout.splitlines() if line[:1].isdigit()]), "instances")

# Each repeat with a stop day, to its last instance.
with open(os.path.join(folder, "Dates.ics"), "rb") as ics:
    calendar = icalendar.Calendar.from_ical(ics.read())
for event in calendar.walk("VEVENT"):
    rule = event.get("rrule")
    if not rule or "UNTIL" not in rule:
        continue
    until = rule["UNTIL"][0]
    day = until if not isinstance(until, datetime.datetime) else until.date()
    instances = recurring_ical_events.of(calendar).between(day, day + datetime.timedelta(days=1))
    shown = sorted(str(i.get("dtstart").dt) for i in instances if i.get("uid") == event.get("uid"))
    say("last", event.get("summary"), day, "shown" if shown else "missing", *shown)

# Names every disk takes.
for root, folders, files in os.walk(folder):
    for name in folders + files:
        bad = (re.search(r'[\\/:*?"<>|\x00-\x1f\u2028\u2029]', name) or name.endswith((".", " "))
               or re.fullmatch(r"(?i)(con|prn|aux|nul|com[1-9]|lpt[1-9])(\..*)?", name))
        if bad:
            refused("name", os.path.join(root, name))
sys.exit(1 if failed else 0)
