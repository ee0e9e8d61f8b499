#!/usr/bin/python3
"""Reads an export's Names.vcf, Dates.ics and To Do.ics with parsers of their
own (vobject, icalendar) and prints what each card, event and task holds, a
line each, for a test to compare with what the simulated Newton served."""
import sys

import icalendar
import vobject

folder = sys.argv[1]
with open(folder + "/Names.vcf", encoding="utf-8") as names:
    for card in vobject.readComponents(names.read()):
        phones = ",".join("/".join(t.params.get("TYPE", [])) + "=" + t.value
                          for t in card.contents.get("tel", []))
        mails = ",".join(e.value for e in card.contents.get("email", []))
        print("card", card.fn.value, phones, mails, sep="|")
for name in ("Dates.ics", "To Do.ics"):
    with open(folder + "/" + name, "rb") as ics:
        calendar = icalendar.Calendar.from_ical(ics.read())
    for part in calendar.walk():
        if part.name not in ("VEVENT", "VTODO"):
            continue
        fields = [part.name, str(part.get("summary"))]
        for key in ("dtstart", "due", "recurrence-id", "rrule", "exdate", "status", "location"):
            value = part.get(key)
            if value is not None:
                fields.append(key + "=" + value.to_ical().decode())
        fields += ["alarm" for _ in part.walk("VALARM")]
        print(*fields, sep="|")
