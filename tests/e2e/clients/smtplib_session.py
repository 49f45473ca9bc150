#!/usr/bin/env python3
"""Sends several message files in one session with Python's smtplib."""
import smtplib
import sys

host, port, sender, recipient = sys.argv[1:5]
client = smtplib.SMTP(host, int(port), timeout=60)
for path in sys.argv[5:]:
    with open(path, "rb") as f:
        client.sendmail(sender, [recipient], f.read())
client.quit()
