"""The Debian package made by the build: its contents and maintainer scripts,
lintian, and, run as root, a real installation on this machine: the service
user, the permissions, the installed program run as that user with the
installed configuration, the unit checked by systemd-analyze, an upgrade that
keeps the operator's configuration, removal and purge."""

import fcntl
import glob
import grp
import os
import pwd
import re
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

from deploy import BUILD, ECHO, harness, wait_for_tcp

CONFFILES = ["/etc/default/fieldsync", "/etc/fieldsync/dbxconnections.ini",
             "/etc/fieldsync/dbxdrivers.ini", "/etc/fieldsync/fil.txt"]
FILES = CONFFILES + [
    "/usr/lib/fieldsync/fieldsync",
    "/usr/lib/fieldsync/templates/ReverseString.html",
    "/usr/lib/fieldsync/templates/ServerFunctionInvoker.html",
    "/lib/systemd/system/fieldsync.service",
    "/usr/share/doc/fieldsync/copyright",
    "/usr/share/doc/fieldsync/changelog.Debian.gz",
    "/usr/share/doc/fieldsync/README.md",
    "/usr/share/doc/fieldsync/deployment.md",
    "/usr/share/doc/fieldsync/examples/nginx-fieldsync.conf",
    "/usr/share/doc/fieldsync/examples/haproxy-fieldsync.cfg",
]
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=600", "-o", "Dpkg::Options::=--force-confold",
       "--no-install-recommends"]
NONINTERACTIVE = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
WANTED = "/etc/systemd/system/multi-user.target.wants/fieldsync.service"
# Installing touches the machine's package database: one test run at a time.
LOCK = "/var/lock/fieldsync-package-test.lock"


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def setUpModule():
    global DIRECTORY, PACKAGE
    DIRECTORY = tempfile.mkdtemp(prefix="fieldsync-package-")
    built = run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", DIRECTORY)
    if built.returncode != 0:
        raise RuntimeError(built.stdout + built.stderr)
    packages = glob.glob(os.path.join(DIRECTORY, "fieldsync_*.deb"))
    if len(packages) != 1:
        raise RuntimeError("cpack left %s" % packages)
    PACKAGE = packages[0]
    global CONTROL
    CONTROL = os.path.join(DIRECTORY, "control")
    extracted = run("dpkg-deb", "-e", PACKAGE, CONTROL)
    if extracted.returncode != 0:
        raise RuntimeError(extracted.stderr)


def tearDownModule():
    shutil.rmtree(DIRECTORY, ignore_errors=True)


def control_field(name):
    return run("dpkg-deb", "-f", PACKAGE, name).stdout.strip()


def control_file(name):
    """A file of the package's control part (maintainer scripts, conffiles)."""
    with open(os.path.join(CONTROL, name)) as f:
        return f.read()


class Contents(unittest.TestCase):
    def test_files_and_modes(self):
        listing = run("dpkg-deb", "-c", PACKAGE).stdout.splitlines()
        entries = {}
        for line in listing:
            fields = line.split()
            entries[fields[5].lstrip(".").rstrip("/") or "/"] = (fields[0], fields[1])
        for path in FILES:
            with self.subTest(path=path):
                self.assertIn(path, entries)
                self.assertEqual(entries[path][1], "root/root")
        self.assertEqual(entries["/usr/lib/fieldsync/fieldsync"][0], "-rwxr-xr-x")
        for path in CONFFILES:
            self.assertEqual(entries[path][0], "-rw-r--r--", path)
        # Nothing of the build or of a test run is packaged.
        for path in entries:
            self.assertNotRegex(path, r"\.(fdb|FDB|log)$|/build/|/tmp/")

    def test_control_fields(self):
        self.assertEqual(control_field("Package"), "fieldsync")
        self.assertRegex(control_field("Version"), r"^\d+\.\d+\.\d+-\d+$")
        depends = [d.split("(")[0].strip() for d in control_field("Depends").split(",")]
        for needed in ("libfbclient2", "adduser", "libc6", "libstdc++6"):
            self.assertIn(needed, depends)
        self.assertEqual(control_file("conffiles").split(), CONFFILES)

    def test_maintainer_scripts_are_sound_shell(self):
        for name in ("postinst", "prerm", "postrm"):
            with self.subTest(script=name):
                text = control_file(name)
                self.assertTrue(text.startswith("#!/bin/sh\n"))
                self.assertIn("set -e", text)
                path = os.path.join(CONTROL, name)
                self.assertTrue(os.access(path, os.X_OK))
                checked = run("sh", "-n", path)
                self.assertEqual(checked.returncode, 0, checked.stderr)
                if shutil.which("checkbashisms"):
                    self.assertEqual(run("checkbashisms", path).returncode, 0)

    def test_lintian_finds_no_error_or_warning(self):
        if not shutil.which("lintian"):
            self.skipTest("lintian is not installed")
        result = run("lintian", "--fail-on", "error,warning", "--tag-display-limit", "0", PACKAGE)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotRegex(result.stdout, r"(?m)^[EW]: ")


def unit_settings(path):
    """Environment, user, working directory and command of the installed unit."""
    settings = {"Environment": []}
    with open(path) as f:
        for line in f:
            m = re.match(r"^(\w+)=(.*)$", line.strip())
            if m:
                if m.group(1) == "Environment":
                    settings["Environment"].append(m.group(2))
                else:
                    settings[m.group(1)] = m.group(2)
    return settings


@unittest.skipUnless(os.geteuid() == 0, "installing needs root")
class Installation(unittest.TestCase):
    def setUp(self):
        self.lock = open(LOCK, "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        self.addCleanup(self.lock.close)
        self.addCleanup(lambda: run(*APT, "purge", "fieldsync", env=NONINTERACTIVE))

    def apt(self, *arguments):
        """apt-get as an operator uses it; it waits while another
        installation on the machine holds the package database."""
        result = run(*APT, *arguments, env=NONINTERACTIVE)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_install_run_upgrade_remove_purge(self):
        self.apt("install", PACKAGE)

        # The service user and what it may touch.
        user = pwd.getpwnam("fieldsync")
        self.assertLess(user.pw_uid, 1000)
        self.assertEqual(user.pw_shell, "/usr/sbin/nologin")
        self.assertEqual(user.pw_dir, "/var/lib/fieldsync")
        state = os.stat("/var/lib/fieldsync")
        self.assertEqual((state.st_uid, stat.S_IMODE(state.st_mode)), (user.pw_uid, 0o750))
        connections = os.stat("/etc/fieldsync/dbxconnections.ini")
        self.assertEqual((connections.st_uid, connections.st_gid, stat.S_IMODE(connections.st_mode)),
                         (0, grp.getgrnam("fieldsync").gr_gid, 0o640))
        self.assertEqual(run("dpkg-query", "-W", "-f=${Status}", "fieldsync").stdout, "install ok installed")
        # Enabled for the next boot, also where systemd does not run now.
        self.assertEqual(os.readlink(WANTED), "/lib/systemd/system/fieldsync.service")

        unit = "/lib/systemd/system/fieldsync.service"
        if shutil.which("systemd-analyze"):
            verified = run("systemd-analyze", "verify", unit)
            self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
            self.assertNotIn("fieldsync.service", verified.stderr)

        # The operator's configuration: a database and a port of this test.
        directory = tempfile.mkdtemp(prefix="fieldsync-installed-")
        self.addCleanup(shutil.rmtree, directory, True)
        database = harness.create_database(directory)
        port = harness.free_port()
        harness.run_sql(database, "update FILIAL set PORTA_MOBILE = %d where IDFILIAL = 1;\ncommit;\n" % port)
        with open("/etc/fieldsync/dbxconnections.ini") as f:
            configured = re.sub(r"(?m)^Database=.*$", "Database=" + harness.fb_server() + ":" + database, f.read())
            configured = re.sub(r"(?m)^Password=.*$", "Password=" + harness.sysdba_password(), configured)
        with open("/etc/fieldsync/dbxconnections.ini", "w") as f:
            f.write(configured)

        self.run_installed_service(unit, port)

        # An upgrade (the same package again) keeps the edited conffile and
        # the permissions.
        self.apt("install", "--reinstall", PACKAGE)
        with open("/etc/fieldsync/dbxconnections.ini") as f:
            self.assertEqual(f.read(), configured)
        self.assertEqual(stat.S_IMODE(os.stat("/etc/fieldsync/dbxconnections.ini").st_mode), 0o640)

        # Remove keeps the configuration; purge takes it and the state away.
        self.apt("remove", "fieldsync")
        self.assertFalse(os.path.exists("/usr/lib/fieldsync/fieldsync"))
        self.assertTrue(os.path.exists("/etc/fieldsync/dbxconnections.ini"))
        self.apt("purge", "fieldsync")
        for gone in ("/etc/fieldsync", "/var/lib/fieldsync", "/usr/lib/fieldsync", "/etc/default/fieldsync", WANTED):
            self.assertFalse(os.path.lexists(gone), gone)
        self.assertNotEqual(run("dpkg-statoverride", "--list", "/etc/fieldsync/dbxconnections.ini").returncode, 0)
        self.assertNotEqual(run("dpkg-query", "-W", "-f=${Status}", "fieldsync").stdout, "install ok installed")

    def run_installed_service(self, unit, port):
        """Runs the installed program as the unit would: its user, its
        environment, its working directory and its command."""
        settings = unit_settings(unit)
        self.assertEqual(settings["ExecStart"], "/usr/lib/fieldsync/fieldsync --headless")
        environment = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C.UTF-8"}
        for assignment in settings["Environment"]:
            name, _, value = assignment.partition("=")
            environment[name] = value
        self.assertEqual(environment.get("FIELDSYNC_CONFIG_DIR"), "/etc/fieldsync")
        command = ["setpriv", "--reuid=" + settings["User"], "--regid=" + settings["Group"], "--init-groups",
                   "--no-new-privs"] + settings["ExecStart"].split()
        output = open(os.path.join(tempfile.mkdtemp(prefix="fieldsync-installed-log-"), "stdout"), "w+")
        self.addCleanup(shutil.rmtree, os.path.dirname(output.name), True)
        self.addCleanup(output.close)
        service = subprocess.Popen(command, cwd=settings["WorkingDirectory"], env=environment,
                                   stdout=output, stderr=subprocess.PIPE)
        try:
            wait_for_tcp(port, service, "the installed fieldsync")
            answer = harness.request(port, "GET", ECHO + "installed")
            self.assertEqual(answer.body, b'{"result":["installed"]}')
            table = harness.request(port, "GET", "/datasnap/rest/TServerMethods1/GetAtividade")
            self.assertEqual(table.status, 200)
            self.assertIn(b'"table":[', table.body)
            self.assertEqual(harness.request(port, "GET", "/").status, 200)  # templates found
        finally:
            service.send_signal(signal.SIGTERM)
            _, err = service.communicate(timeout=60)
        self.assertEqual(service.returncode, 0, err)
        output.seek(0)
        log = output.read()
        self.assertIn("configuration in /etc/fieldsync", log)
        self.assertRegex(log, r"127\.0\.0\.1 GET " + ECHO + r"installed 200 \d+ ")


if __name__ == "__main__":
    unittest.main()
