#!/usr/bin/python3
# Asks a program started under RenderDoc's capture layer (renderdoccmd capture) for a capture of its next
# frame, as RenderDoc's own window does, prints where RenderDoc wrote it, and ends the program.
# Usage: renderdoc_trigger.py <target id from renderdoccmd> [seconds to wait]
import os
import signal
import sys
import time

import renderdoc as rd


def connect(ident, deadline):
    while time.monotonic() < deadline:
        target = rd.CreateTargetControl("", ident, "d3dWin capture test", True)
        if target is not None:
            return target
        time.sleep(0.2)
    return None


def main():
    ident = int(sys.argv[1])
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 60.0)
    target = connect(ident, deadline)
    if target is None:
        print(f"renderdoc_trigger: no program under RenderDoc answers as target {ident}", file=sys.stderr)
        return 1
    pid = target.GetPID()
    triggered = False
    try:
        while time.monotonic() < deadline:
            message = target.ReceiveMessage(None)
            if message.type == rd.TargetControlMessageType.Disconnected:
                print("renderdoc_trigger: the program ended before a capture", file=sys.stderr)
                return 1
            # A graphics API registers once the program has a device; the next frame it presents is captured.
            if not triggered and target.GetAPI():
                target.TriggerCapture(1)
                triggered = True
            if message.type == rd.TargetControlMessageType.NewCapture:
                print(message.newCapture.path)
                return 0
            time.sleep(0.05)
        print(f"renderdoc_trigger: no capture within the time (API '{target.GetAPI()}')", file=sys.stderr)
        return 1
    finally:
        target.Shutdown()
        if pid:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass


if __name__ == "__main__":
    sys.exit(main())
