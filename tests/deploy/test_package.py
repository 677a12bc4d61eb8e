"""The Debian package made by the build: its contents and maintainer scripts,
lintian, the unit's sandboxing as systemd-analyze rates it, and, run as root,
a real installation on this machine: the service user, the permissions, the
installed program run as that user with the installed configuration inside
the unit's file-system confinement (emulated, where the machine lets the test
make a mount namespace of its own: systemd does not run here), so
that what it generates lands in its state directory, the unit checked by
systemd-analyze, an upgrade that keeps the operator's configuration, removal
and purge."""

import base64
import fcntl
import glob
import grp
import io
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
import zipfile

from deploy import BUILD, ECHO, files_below, harness, wait_for_tcp

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM_DIR = "/usr/lib/fieldsync"
STATE_DIR = "/var/lib/fieldsync"

CONFFILES = ["/etc/default/fieldsync", "/etc/fieldsync/dbxconnections.ini",
             "/etc/fieldsync/dbxdrivers.ini", "/etc/fieldsync/fil.txt"]
FILES = CONFFILES + [
    "/usr/lib/fieldsync/fieldsync",
    "/usr/sbin/fieldsync",
    "/usr/lib/fieldsync/templates/ReverseString.html",
    "/usr/lib/fieldsync/templates/ServerFunctionInvoker.html",
    "/usr/lib/fieldsync/js/ServerFunctionExecutor.js",
    "/usr/lib/fieldsync/css/ServerFunctionInvoker.css",
    "/usr/lib/fieldsync/proxy/java_android/src/fieldsync/rest/DSRESTConnection.java",
    "/usr/lib/fieldsync/proxy/objectivec_ios42/DSRESTConnection.m",
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
        # Nothing of the build or of a test run is packaged, nor anything the
        # program generates: that belongs to the state directory.
        for path in entries:
            self.assertNotRegex(path, r"\.(fdb|FDB|log|zip)$|/build/|/tmp/|serverfunctions\.js$|/DSProxy\.(java|cs|h|pas)$")
            self.assertFalse(path.startswith(STATE_DIR), path)

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


    def test_systemd_rates_the_units_sandboxing(self):
        """The unit's confinement as systemd-analyze judges the unit file
        offline (it needs no running systemd): the settings that keep the
        program from writing anything but its state directory are in force,
        and the overall exposure stays as low as it is now (3.4 of 10)."""
        if not shutil.which("systemd-analyze"):
            self.skipTest("systemd-analyze is not installed")
        root = os.path.join(DIRECTORY, "root")
        unpacked = run("dpkg-deb", "-x", PACKAGE, root)
        self.assertEqual(unpacked.returncode, 0, unpacked.stderr)
        unit = os.path.join(root, "lib/systemd/system/fieldsync.service")
        rated = run("systemd-analyze", "security", "--offline=yes", "--threshold=35", unit)
        self.assertEqual(rated.returncode, 0, rated.stdout + rated.stderr)
        for setting in ("NoNewPrivileges=", "ProtectSystem=", "ProtectHome=", "PrivateTmp=", "PrivateDevices=",
                        "CapabilityBoundingSet=~CAP_SYS_ADMIN", "RestrictSUIDSGID=", "UMask="):
            with self.subTest(setting=setting):
                self.assertRegex(rated.stdout, r"(?m)^\u2713 " + re.escape(setting) + " ")
        self.assertIn("strict read-only access to the OS file hierarchy", rated.stdout)
        settings = unit_settings(unit)
        self.assertIn("FIELDSYNC_STATE_DIR=" + STATE_DIR, settings["Environment"])
        self.assertEqual(writable_paths(settings), [STATE_DIR])


def unit_settings(path):
    """The settings of the installed unit; Environment as a list."""
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


def writable_paths(settings):
    """The directories the unit lets the service write."""
    paths = settings.get("ReadWritePaths", "").split()
    paths += ["/var/lib/" + name for name in settings.get("StateDirectory", "").split()]
    return sorted(set(paths))


def sandboxed(settings, command):
    """`command` run as the unit would confine it: in a mount namespace of its
    own with the file system read-only but the unit's writable directories,
    private /tmp, no home directories, the unit's umask."""
    return (["unshare", "--mount", "--propagation", "private", "--", "sh", os.path.join(HERE, "unit-sandbox.sh"),
             "-u", settings.get("UMask", "0022")] + writable_paths(settings) + ["--"] + command)


def private_mounts_missing():
    """Why a mount namespace of the test's own cannot be made here (in a
    chroot whose root is not a mount point, for one), or None when it can."""
    tried = run("unshare", "--mount", "--propagation", "private", "--", "true")
    return None if tried.returncode == 0 else (tried.stderr.strip() or "unshare failed")


def confined(settings, command):
    """`command` in the emulated confinement where this machine can make one;
    elsewhere only with the unit's umask."""
    if private_mounts_missing():
        return ["sh", "-c", 'umask "$1"; shift; exec "$@"', "sh", settings.get("UMask", "0022")] + command
    return sandboxed(settings, command)


def as_service_user(settings, command):
    """`command` as the unit's user, without new privileges or capabilities."""
    return ["setpriv", "--reuid=" + settings["User"], "--regid=" + settings["Group"], "--init-groups",
            "--no-new-privs", "--inh-caps=-all", "--bounding-set=-all"] + command


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

        settings = unit_settings(unit)
        with self.subTest("the unit's file-system confinement"):
            missing = private_mounts_missing()
            if missing:
                self.skipTest("no mount namespace of the test's own can be made here (%s); the installed "
                              "service runs without the read-only file system" % missing)
            self.check_confinement(settings)
        self.run_installed_service(settings, port)

        # Logins: the operator adds a user with the package's command; the
        # users file is root's and the service's group's, readable by no one
        # else, and the installed service asks for the user from then on.
        added = run("/usr/sbin/fieldsync", "user", "add", "ana", "--rep", "5", input="ana secret\n",
                    env={"PATH": "/usr/sbin:/usr/bin:/sbin:/bin"})
        self.assertEqual(added.returncode, 0, added.stderr)
        users = os.stat("/etc/fieldsync/users")
        self.assertEqual((users.st_uid, users.st_gid, stat.S_IMODE(users.st_mode)),
                         (0, grp.getgrnam("fieldsync").gr_gid, 0o640))
        with open("/etc/fieldsync/users") as f:
            self.assertNotIn("ana secret", f.read())
        self.run_installed_service(settings, port, login=("ana", "ana secret"))

        # An upgrade (the same package again) keeps the edited conffile and
        # the permissions, and clears what the old program generated.
        self.apt("install", "--reinstall", PACKAGE)
        with open("/etc/fieldsync/dbxconnections.ini") as f:
            self.assertEqual(f.read(), configured)
        self.assertEqual(stat.S_IMODE(os.stat("/etc/fieldsync/dbxconnections.ini").st_mode), 0o640)
        self.assertEqual(sorted(os.listdir(STATE_DIR)), [])
        self.assertEqual(stat.S_IMODE(os.stat("/etc/fieldsync/users").st_mode), 0o640)

        # Remove keeps the configuration; purge takes it and the state away.
        self.apt("remove", "fieldsync")
        self.assertFalse(os.path.exists("/usr/lib/fieldsync/fieldsync"))
        self.assertTrue(os.path.exists("/etc/fieldsync/dbxconnections.ini"))
        self.apt("purge", "fieldsync")
        for gone in ("/etc/fieldsync", "/var/lib/fieldsync", "/usr/lib/fieldsync", "/etc/default/fieldsync", WANTED):
            self.assertFalse(os.path.lexists(gone), gone)
        self.assertNotEqual(run("dpkg-statoverride", "--list", "/etc/fieldsync/dbxconnections.ini").returncode, 0)
        self.assertNotEqual(run("dpkg-query", "-W", "-f=${Status}", "fieldsync").stdout, "install ok installed")

    def check_confinement(self, settings):
        """The emulated confinement really holds: as root inside it, the
        program's directory and the configuration cannot be written, the
        state directory can; /tmp is private and the home directories are
        empty."""
        outside = tempfile.NamedTemporaryFile(prefix="fieldsync-outside-", dir="/tmp")
        self.addCleanup(outside.close)
        probe = ("for d in %s /etc/fieldsync /usr /var/lib; do touch $d/.probe 2>/dev/null && echo writable $d; done; "
                 "touch %s/.probe && echo writable %s && rm %s/.probe; "
                 "ls -A /tmp /root; umask") % (PROGRAM_DIR, STATE_DIR, STATE_DIR, STATE_DIR)
        result = run(*sandboxed(settings, ["sh", "-c", probe]))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.split(), ["writable", STATE_DIR, "/root:", "/tmp:", settings["UMask"]])
        self.assertTrue(os.path.exists(outside.name))
        # Outside, the machine is as it was.
        probe = os.path.join(PROGRAM_DIR, ".probe")
        open(probe, "w").close()
        os.remove(probe)

    def run_installed_service(self, settings, port, login=None):
        """Runs the installed program as the unit would: its user, its
        environment, its working directory, its command and its file-system
        confinement. What it generates goes to the state directory; the
        program's directory stays as installed. With `login` (user, password)
        the REST calls need those credentials."""
        credentials = {}
        if login:
            token = base64.b64encode(("%s:%s" % login).encode()).decode()
            credentials = {"Authorization": "Basic " + token}
        self.assertEqual(settings["ExecStart"], "/usr/lib/fieldsync/fieldsync --headless")
        environment = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C.UTF-8"}
        for assignment in settings["Environment"]:
            name, _, value = assignment.partition("=")
            environment[name] = value
        self.assertEqual(environment.get("FIELDSYNC_CONFIG_DIR"), "/etc/fieldsync")
        self.assertEqual(environment.get("FIELDSYNC_STATE_DIR"), STATE_DIR)
        installed = files_below(PROGRAM_DIR)
        command = confined(settings, as_service_user(settings, settings["ExecStart"].split()))
        output = open(os.path.join(tempfile.mkdtemp(prefix="fieldsync-installed-log-"), "stdout"), "w+")
        self.addCleanup(shutil.rmtree, os.path.dirname(output.name), True)
        self.addCleanup(output.close)
        service = subprocess.Popen(command, cwd=settings["WorkingDirectory"], env=environment,
                                   stdout=output, stderr=subprocess.PIPE)
        try:
            wait_for_tcp(port, service, "the installed fieldsync")
            if login:
                self.assertEqual(harness.request(port, "GET", ECHO + "installed").status, 401)
            answer = harness.request(port, "GET", ECHO + "installed", headers=credentials)
            self.assertEqual(answer.body, b'{"result":["installed"]}')
            table = harness.request(port, "GET", "/datasnap/rest/TServerMethods1/GetAtividade", headers=credentials)
            self.assertEqual(table.status, 200)
            self.assertIn(b'"table":[', table.body)
            self.assertEqual(harness.request(port, "GET", "/").status, 200)  # templates found
            for path in ("/js/ServerFunctionExecutor.js", "/css/ServerFunctionInvoker.css"):
                self.assertEqual(harness.request(port, "GET", path).status, 200, path)

            script = harness.request(port, "GET", "/js/serverfunctions.js")
            self.assertEqual(script.status, 200, script.body[:300])
            self.assertIn(b"function TServerMethods1(connectionInfo)", script.body)
            for key in ("java_android", "objectivec_ios42"):
                package = harness.request(port, "GET", "/proxy/%s.zip" % key)
                self.assertEqual(package.status, 200, package.body[:300])
                with open(os.path.join(STATE_DIR, "proxy", key + ".zip"), "rb") as f:
                    self.assertEqual(package.body, f.read())
                names = zipfile.ZipFile(io.BytesIO(package.body)).namelist()
                shipped = [os.path.relpath(os.path.join(parent, name), os.path.join(PROGRAM_DIR, "proxy", key))
                           for parent, _, files in os.walk(os.path.join(PROGRAM_DIR, "proxy", key)) for name in files]
                self.assertEqual(sorted(set(names) - set(shipped)),
                                 ["src/fieldsync/proxy/DSProxy.java"] if key == "java_android" else ["DSProxy.h"])
                self.assertTrue(shipped and set(shipped) < set(names))
        finally:
            service.send_signal(signal.SIGTERM)
            _, err = service.communicate(timeout=60)
        self.assertEqual(service.returncode, 0, err)
        output.seek(0)
        log = output.read()
        self.assertIn("configuration in /etc/fieldsync; generated files in " + STATE_DIR, log)
        self.assertRegex(log, r"127\.0\.0\.1 GET " + ECHO + r"installed 200 \d+ ")

        # Written by the service user where it may write, readable by it only.
        self.assertEqual(files_below(PROGRAM_DIR), installed)
        user = pwd.getpwnam(settings["User"])
        for generated in ("js/serverfunctions.js", "proxy/java_android.zip", "proxy/objectivec_ios42.zip"):
            info = os.stat(os.path.join(STATE_DIR, generated))
            self.assertEqual(info.st_uid, user.pw_uid, generated)
            self.assertEqual(stat.S_IMODE(info.st_mode) & 0o077, 0, generated)

if __name__ == "__main__":
    unittest.main()
