"""What the package tests (scripts/test-deb, scripts/test-rpm, scripts/test-manifests) share: the
failure count and the search for example addresses."""

import gzip
import re

# An address on a name kept for examples (cmake/addresses.cmake's defaults are of this kind):
# a host ending in .example, or example.com, .org or .net.
EXAMPLE_ADDRESS = re.compile(rb"[A-Za-z0-9._%+-]*(?:@|://)(?:[A-Za-z0-9-]+\.)*"
                             rb"example(?:\.(?:com|org|net))?(?![A-Za-z0-9.-]*[A-Za-z0-9-])",
                             re.IGNORECASE)


class Failures:
    """Prints each check as it is made and counts the failed ones."""

    def __init__(self):
        self.count = 0

    def check(self, condition, what, detail=""):
        print(("ok: " if condition else "FAILED: ") + what)
        if not condition:
            self.count += 1
            if detail:
                print("  " + str(detail).replace("\n", "\n  "))


def example_addresses(data):
    """The example addresses in `data` (bytes; gzip data is searched unpacked), as text."""
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    return sorted({m.group(0).decode("latin-1") for m in EXAMPLE_ADDRESS.finditer(data)})
