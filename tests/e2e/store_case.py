"""The fixture of the end-to-end tests that read and write the store: every test has a store of
its own (natively XDG_CONFIG_HOME points into the test's folder, under Wine the settings key is
removed before each test), with helpers to read and put values as a user or an installer would."""

import os

import harness
from harness import E2ETestCase


class StoreTestCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.config = os.path.join(self.root, "config")
        self.data = os.path.join(self.root, "dirhop.dat")
        if self.target.windows:
            # A key of its own, already there: runs are not first runs unless a test says so.
            self.reg("delete", harness.STORE_KEY, "/f")
            self.target.ensure_store()

    def remove_store(self):
        if self.target.windows:
            self.reg("delete", harness.STORE_KEY, "/f")
        else:
            os.remove(os.path.join(self.config, "dirhop", "registry"))

    def env(self, data_file=None):
        env = {"XDG_CONFIG_HOME": self.config}
        if data_file is not None:
            env["DIRHOP"] = self.target.host_path(data_file)
        return env

    def c(self, *args, data_file=None, **kwargs):
        kwargs.setdefault("env", self.env(data_file))
        return super().c(*args, **kwargs)

    def reg(self, *args):
        return self.target.run(["reg"] + list(args), self.root, raw=True)

    def key_value(self, name):
        """A value of the settings key, None when missing: (type, data)."""
        if self.target.windows:
            r = self.reg("query", harness.STORE_KEY, "/v", name)
            if r.code != 0:
                return None
            for line in r.text.splitlines():
                parts = line.strip().split(None, 2)
                if parts and parts[0] == name:
                    return parts[1], (parts[2] if len(parts) > 2 else "")
            return None
        path = os.path.join(self.config, "dirhop", "registry")
        with open(path, "rb") as f:
            for line in f.read().decode("latin-1").split("\n"):
                fields = line.split("\t")
                if len(fields) == 3 and fields[0] == name:
                    return {"sz": "REG_SZ", "dword": "REG_DWORD"}.get(fields[1]), fields[2]
        return None

    def put_value(self, name, reg_type, data):
        """Puts a value of any type into the settings key, as a user or an installer would."""
        if self.target.windows:
            r = self.reg("add", harness.STORE_KEY, "/v", name, "/t", reg_type, "/d", data, "/f")
            self.assertEqual(r.code, 0, r)
            return
        path = os.path.join(self.config, "dirhop", "registry")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        kind = {"REG_SZ": "sz", "REG_DWORD": "dword"}[reg_type]
        with open(path, "a") as f:
            f.write("%s\t%s\t%s\n" % (name, kind, data.replace("\\", "\\\\")))

    def read_data(self):
        with open(self.data, "rb") as f:
            return f.read()

    def host(self, *parts):
        return self.target.host_path(self.path(*parts))
