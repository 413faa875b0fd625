#!/usr/bin/python3
"""A mail server for the delivery tests. It takes every message on 127.0.0.1 and keeps it in
FOLDER, read back with Python's own mail parser: N.eml as it came, each attachment as
N.NAME, and N.json ({"to", "subject", "body", "attachments": [{"name", "file"}]}), written
last, before the server answers. Prints its port once it listens; runs until killed.

    smtp_sink.py FOLDER
"""
import asyncio
import email
import email.policy
import json
import os
import socket
import sys

from aiosmtpd.smtp import SMTP


class Keep:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%d-%06d" % (os.getpid(), self.count))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        attachments = []
        for part in message.iter_attachments():
            name = part.get_filename()
            with open(base + "." + name, "wb") as f:
                f.write(part.get_payload(decode=True))
            attachments.append({"name": name, "file": base + "." + name})
        body = message.get_body(preferencelist=("plain",))
        summary = {
            "to": envelope.rcpt_tos,
            "subject": str(message["Subject"]),
            "body": body.get_content() if body else "",
            "attachments": attachments,
        }
        with open(base + ".tmp", "w") as f:
            json.dump(summary, f)
        os.rename(base + ".tmp", base + ".json")
        return "250 OK"


async def main(folder):
    os.makedirs(folder, exist_ok=True)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen()
    handler = Keep(folder)
    await asyncio.get_running_loop().create_server(
        lambda: SMTP(handler, hostname="sink.test"), sock=listener)
    print(listener.getsockname()[1], os.getpid(), flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1]))
