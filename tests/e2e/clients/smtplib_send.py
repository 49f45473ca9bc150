#!/usr/bin/env python3
"""Sends one message file with Python's smtplib, as a script would."""
import smtplib
import sys

host, port, sender, recipient, path = sys.argv[1:6]
with open(path, "rb") as f:
    message = f.read()
client = smtplib.SMTP(host, int(port), timeout=60)
client.sendmail(sender, [recipient], message)
client.quit()
